// Typed values with their text form ("distance" in the user's units), and arrays of values.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "host/bridge/services.hpp"

namespace gorva::host {

namespace {

class ValueObj final : public HostObject<ValueObj, ILxValue, ILxStringConversion> {
public:
    explicit ValueObj(std::string type) : m_type(std::move(type)) {}
    LxResult TypeName(const char **name) override {
        *name = m_type.c_str();
        return LXe_OK;
    }
    LxResult GetInt(int *v) override {
        *v = int(m_number);
        return LXe_OK;
    }
    LxResult SetInt(int v) override {
        m_number = v;
        return LXe_OK;
    }
    LxResult GetFlt(double *v) override {
        *v = m_number;
        return LXe_OK;
    }
    LxResult SetFlt(double v) override {
        m_number = v;
        return LXe_OK;
    }
    LxResult GetString(char *buf, unsigned len) override { return Encode(buf, len); }
    LxResult SetString(const char *text) override { return Decode(text); }
    LxResult Encode(char *buf, unsigned len) override {
        if (m_type == "string") {
            CopyText(m_text, buf, len);
        } else if (m_type == "distance") {
            CopyText(FormatDistance(m_number), buf, len);
        } else {
            char tmp[64];
            std::snprintf(tmp, sizeof tmp, "%g", m_number);
            CopyText(tmp, buf, len);
        }
        return LXe_OK;
    }
    LxResult Decode(const char *text) override {
        if (!text) return LXe_INVALIDARG;
        if (m_type == "string") {
            m_text = text;
            return LXe_OK;
        }
        char *end = nullptr;
        double v = std::strtod(text, &end);
        if (end == text) return LXe_INVALIDARG;
        m_number = v;
        return LXe_OK;
    }

private:
    std::string m_type;
    double m_number = 0.0;
    std::string m_text;
};

class ValueArrayObj final : public HostObject<ValueArrayObj, ILxValueArray> {
public:
    unsigned Count() override { return unsigned(m_values.size()); }
    LxResult GetInt(unsigned i, int *v) override {
        if (i >= m_values.size()) return LXe_OUTOFBOUNDS;
        char *end = nullptr;
        double d = std::strtod(m_values[i].c_str(), &end);
        if (end == m_values[i].c_str()) return LXe_INVALIDARG;
        *v = int(std::lround(d));
        return LXe_OK;
    }
    LxResult GetFloat(unsigned i, double *v) override {
        if (i >= m_values.size()) return LXe_OUTOFBOUNDS;
        char *end = nullptr;
        double d = std::strtod(m_values[i].c_str(), &end);
        if (end == m_values[i].c_str()) return LXe_INVALIDARG;
        *v = d;
        return LXe_OK;
    }
    LxResult GetString(unsigned i, char *buf, unsigned len) override {
        if (i >= m_values.size()) return LXe_OUTOFBOUNDS;
        CopyText(m_values[i], buf, len);
        // Like the application, a text that does not fit is written cut and reported as a failure.
        return m_values[i].size() < len ? LXe_OK : LXe_FAILED;
    }
    LxResult AddInt(int v) override { return AddString(std::to_string(v).c_str()); }
    LxResult AddFloat(double v) override {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.17g", v);
        return AddString(buf);
    }
    LxResult AddString(const char *t) override {
        m_values.emplace_back(t ? t : "");
        return LXe_OK;
    }

private:
    std::vector<std::string> m_values;
};

class ValueServiceObj final : public HostObject<ValueServiceObj, ILxValueService> {
public:
    LxResult NewValue(const char *type, void **ppvObj) override {
        if (!type) return LXe_INVALIDARG;
        return HandOut(new ValueObj(type), ppvObj);
    }
    LxResult NewValueArray(void **ppvObj) override { return HandOut(new ValueArrayObj, ppvObj); }
};

}  // namespace

ILxUnknownID NewValueService() {
    return static_cast<ILxValueService *>(new ValueServiceObj);
}

}  // namespace gorva::host
