// Runs the suite and reports each result also as a ratio to the raw baseline of its element kind
// (points, edges or polygons) measured in the same run, per element, and writes the figures as JSON:
//   gorva_bench [--gorva_json=PATH] [google benchmark options]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace {

struct Result {
    std::string name;
    std::string label;
    double ms = 0.0;
    double itemsPerSecond = 0.0;
    double selected = -1.0;
};

/// The benchmark's name without the run settings Google Benchmark appends ("/min_time:1.000", ...).
std::string ShortName(const std::string &name) {
    std::string out;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find('/', start);
        if (end == std::string::npos) end = name.size();
        std::string part = name.substr(start, end - start);
        if (part.find(':') == std::string::npos) out += (out.empty() ? "" : "/") + part;
        start = end + 1;
    }
    return out;
}

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            // Single runs, or the median of repeated ones (its time and rate belong to the same run).
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.error_occurred || (run.run_type != Run::RT_Iteration && !median)) continue;
            Result r;
            r.name = ShortName(run.run_name.str());
            r.label = run.report_label;
            r.ms = run.GetAdjustedRealTime();
            auto ips = run.counters.find("items_per_second");
            if (ips != run.counters.end()) r.itemsPerSecond = ips->second;
            auto sel = run.counters.find("selected");
            if (sel != run.counters.end()) r.selected = sel->second;
            results.push_back(r);
        }
    }
    std::vector<Result> results;
};

std::string KindOf(const std::string &label) {
    return label.substr(0, label.find(' '));
}
std::string SizeOf(const std::string &name) {
    size_t slash = name.find('/');
    if (slash == std::string::npos) return std::string();
    size_t end = name.find('/', slash + 1);
    return name.substr(slash + 1, end == std::string::npos ? std::string::npos : end - slash - 1);
}

}  // namespace

int main(int argc, char **argv) {
    std::string jsonPath = "bench-results.json";
    std::vector<char *> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--gorva_json=", 13) == 0)
            jsonPath = argv[i] + 13;
        else
            args.push_back(argv[i]);
    }
    int n = int(args.size());
    benchmark::Initialize(&n, args.data());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    // Raw baselines per kind and size: per-element rates.
    std::map<std::string, std::map<std::string, double>> raw;
    for (const Result &r : reporter.results)
        if (r.label.find(" raw") != std::string::npos && r.itemsPerSecond > 0)
            raw[KindOf(r.label)][SizeOf(r.name)] = r.itemsPerSecond;

    nlohmann::json out = nlohmann::json::array();
    std::printf("\n%-44s %10s %12s  %s\n", "benchmark", "ms", "x raw", "kind");
    for (const Result &r : reporter.results) {
        nlohmann::json j = {
            {"name", r.name}, {"label", r.label}, {"ms", r.ms}, {"items_per_second", r.itemsPerSecond}};
        if (r.selected >= 0) j["selected"] = r.selected;
        auto kind = raw.find(KindOf(r.label));
        double ratio = 0.0;
        if (kind != raw.end() && r.itemsPerSecond > 0) {
            auto same = kind->second.find(SizeOf(r.name));
            double base = same != kind->second.end() ? same->second : kind->second.begin()->second;
            ratio = base / r.itemsPerSecond;
            j["ratio_to_raw"] = ratio;
        }
        if (ratio > 0)
            std::printf("%-44s %10.2f %12.2f  %s\n", r.name.c_str(), r.ms, ratio, r.label.c_str());
        else
            std::printf("%-44s %10.2f %12s  %s\n", r.name.c_str(), r.ms, "-", r.label.c_str());
        out.push_back(j);
    }
    std::ofstream(jsonPath) << out.dump(2) << "\n";
    std::printf("\nfigures written to %s\n", jsonPath.c_str());
    benchmark::Shutdown();
    return 0;
}
