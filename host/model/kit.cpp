#include "host/model/kit.hpp"

#include <pugixml.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace gorva::host {

namespace fs = std::filesystem;

namespace {

/// An XML file read whole, so that errors can name the line of a node.
struct XmlFile {
    std::string path;
    std::string text;
    pugi::xml_document doc;

    int LineOf(pugi::xml_node node) const {
        const ptrdiff_t offset = node ? node.offset_debug() : -1;
        if (offset < 0 || static_cast<size_t>(offset) > text.size()) return 1;
        return 1 + static_cast<int>(std::count(text.begin(), text.begin() + offset, '\n'));
    }
    bool Fail(pugi::xml_node node, const std::string &reason, std::string &error) const {
        error = path + ":" + std::to_string(LineOf(node)) + ": " + reason;
        return false;
    }
};

bool LoadXml(const std::string &path, XmlFile &file, std::string &error) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        error = path + ": not there or not a regular file";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    file.path = path;
    file.text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        error = path + ": cannot read the file";
        return false;
    }
    const pugi::xml_parse_result parsed = file.doc.load_buffer(file.text.data(), file.text.size());
    if (!parsed) {
        const size_t offset =
            std::min(static_cast<size_t>(std::max<ptrdiff_t>(parsed.offset, 0)), file.text.size());
        const int line =
            1 + static_cast<int>(std::count(file.text.begin(), file.text.begin() + offset, '\n'));
        error = path + ":" + std::to_string(line) + ": malformed XML: " + parsed.description();
        return false;
    }
    if (std::string(file.doc.document_element().name()) != "configuration")
        return file.Fail(file.doc.document_element(), "the root element must be <configuration>", error);
    return true;
}

/// A path the index names, kept inside the kit: relative, with no ".." and no empty name.
bool InsideKit(const std::string &relative) {
    const fs::path path(relative);
    if (relative.empty() || path.is_absolute() || path.has_root_name()) return false;
    for (const fs::path &part : path)
        if (part == ".." || part.empty()) return false;
    return true;
}

bool ReadImport(const XmlFile &index, KitInfo &kit, std::string &error) {
    const pugi::xml_node import = index.doc.document_element().child("import");
    const std::string prefix = "kit_" + kit.name + ":";
    const std::string text = import.text().get();
    if (!import || text.compare(0, prefix.size(), prefix) != 0)
        return index.Fail(import ? import : index.doc.document_element(),
                          "the kit needs <import>" + prefix + "FOLDER</import>", error);
    const std::string relative = text.substr(prefix.size());
    if (!InsideKit(relative)) return index.Fail(import, "\"" + relative + "\" lies outside the kit", error);
    kit.configDir = (fs::path(kit.folder) / relative).string();
    std::error_code ec;
    if (!fs::is_directory(kit.configDir, ec))
        return index.Fail(import, "the configuration folder " + kit.configDir + " is not there", error);
    return true;
}

bool ReadModule(const XmlFile &index, KitInfo &kit, std::string &error) {
    pugi::xml_node found;
    for (pugi::xml_node atom : index.doc.document_element().children("atom")) {
        if (std::string(atom.attribute("type").value()) != "Modules") continue;
        for (pugi::xml_node module : atom.children("hash"))
            if (std::string(module.attribute("type").value()) == "Module" &&
                std::string(module.attribute("key").value()) == KitPlatform())
                found = module;
    }
    if (!found)
        return index.Fail(index.doc.document_element(),
                          std::string("the kit names no module for ") + KitPlatform(), error);
    const std::string relative = found.text().get();
    if (!InsideKit(relative)) return index.Fail(found, "\"" + relative + "\" lies outside the kit", error);
    kit.modulePath = (fs::path(kit.folder) / relative).string();
    std::error_code ec;
    if (!fs::is_regular_file(kit.modulePath, ec))
        return index.Fail(found, "the module " + kit.modulePath + " is not there", error);
    return true;
}

bool ReadControl(const XmlFile &file, pugi::xml_node control, const std::string &sheet,
                 std::vector<FormControl> &controls, std::string &error) {
    const std::string value = control.attribute("val").value();
    const std::string prefix = "cmd ";
    if (value.compare(0, prefix.size(), prefix) != 0 || value.size() == prefix.size())
        return file.Fail(control, "a control's value must be \"cmd COMMAND\", not \"" + value + "\"", error);
    FormControl entry{sheet, value.substr(prefix.size()), {}, {}};
    for (pugi::xml_node atom : control.children("atom")) {
        const std::string type = atom.attribute("type").value();
        if (type == "Label") entry.label = atom.text().get();
        if (type == "Tooltip") entry.tooltip = atom.text().get();
    }
    controls.push_back(entry);
    return true;
}

bool ReadFormFile(const std::string &path, std::vector<FormControl> &controls, std::string &error) {
    XmlFile file;
    if (!LoadXml(path, file, error)) return false;
    for (pugi::xml_node atom : file.doc.document_element().children("atom")) {
        if (std::string(atom.attribute("type").value()) != "Attributes") continue;
        for (pugi::xml_node sheet : atom.children("hash")) {
            if (std::string(sheet.attribute("type").value()) != "Sheet") continue;
            const std::string label = sheet.find_child_by_attribute("atom", "type", "Label").text().get();
            for (pugi::xml_node control : sheet.children("list"))
                if (std::string(control.attribute("type").value()) == "Control" &&
                    !ReadControl(file, control, label, controls, error))
                    return false;
        }
    }
    return true;
}

}  // namespace

const char *KitPlatform() {
#if defined(_WIN32)
    return "win64";
#elif defined(__APPLE__)
    return "macos";
#else
    return "linux64";
#endif
}

bool ReadKit(const std::string &folder, KitInfo &kit, std::string &error) {
    XmlFile index;
    if (!LoadXml((fs::path(folder) / "index.cfg").string(), index, error)) return false;
    KitInfo read;
    read.folder = folder;
    const pugi::xml_node root = index.doc.document_element();
    read.name = root.attribute("kit").value();
    read.version = root.attribute("version").value();
    if (read.name.empty() || !InsideKit(read.name))
        return index.Fail(root, "the kit needs a name (<configuration kit=\"NAME\">)", error);
    if (!ReadImport(index, read, error) || !ReadModule(index, read, error)) return false;
    kit = read;
    return true;
}

bool ReadForms(const std::string &configDir, std::vector<FormControl> &controls, std::string &error) {
    std::error_code ec;
    std::vector<fs::path> files;
    for (fs::directory_iterator it(configDir, ec), end; !ec && it != end; it.increment(ec))
        if (it->path().extension() == ".cfg" && it->is_regular_file(ec)) files.push_back(it->path());
    if (ec) {
        error = configDir + ": " + ec.message();
        return false;
    }
    std::sort(files.begin(), files.end());
    std::vector<FormControl> read;
    for (const fs::path &file : files)
        if (!ReadFormFile(file.string(), read, error)) return false;
    controls = read;
    return true;
}

}  // namespace gorva::host
