// Typed values (the attributes and arguments of every server are host values) with their text
// forms, and arrays of values (the results of command queries).
#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "host/bridge/services.hpp"
#include "host/base/numbers.hpp"

namespace gorva::host {

namespace {

enum class Storage { Int, Float, String, Color };

Storage StorageOf(const std::string &type) {
    if (type == LXsTYPE_INTEGER || type == LXsTYPE_BOOLEAN) return Storage::Int;
    if (type == LXsTYPE_STRING) return Storage::String;
    if (type == LXsTYPE_COLOR) return Storage::Color;
    return Storage::Float;
}

/// A number with an optional length unit, in metres; refused beyond single precision, where no
/// position a mesh holds could follow.
bool ParseDouble(const char *text, double &out) {
    char *end = nullptr;
    std::strtod(text, &end);  // where the number ends and a unit may begin
    double v = 0.0;
    std::string reason;
    if (end == text || !ReadNumber(std::string(text, size_t(end - text)), NumberKind::kReal, v, reason)) return false;
    while (*end == ' ') ++end;
    static const struct {
        const char *unit;
        double scale;
    } units[] = {{"", 1.0},    {"m", 1.0},     {"km", 1000.0}, {"cm", 0.01},   {"mm", 0.001},
                 {"um", 1e-6}, {"in", 0.0254}, {"ft", 0.3048}, {"\"", 0.0254}, {"'", 0.3048}};
    for (const auto &u : units) {
        if (std::strcmp(end, u.unit) == 0) {
            if (!(std::fabs(v * u.scale) <= double(FLT_MAX))) return false;
            out = v * u.scale;
            return true;
        }
    }
    return false;
}

bool ParseBool(const char *text, int &out) {
    static const char *yes[] = {"1", "true", "on", "yes"};
    static const char *no[] = {"0", "false", "off", "no"};
    for (const char *y : yes)
        if (strcasecmp(text, y) == 0) return (out = 1, true);
    for (const char *n : no)
        if (strcasecmp(text, n) == 0) return (out = 0, true);
    return false;
}

bool ParseInt(const char *text, int &out) {
    double v = 0.0;
    std::string reason;
    if (!ReadNumber(text, NumberKind::kWhole, v, reason)) return false;
    out = int(v);
    return true;
}

/// A value of one SDK type. Colours also answer as a value array of three floats.
class ValueObj final : public IfcValue, public IfcStringConversion, public IfcValueArray {
public:
    explicit ValueObj(std::string type) : m_type(std::move(type)), m_storage(StorageOf(m_type)) {}
    LxResult Clone(void **ppvObj) override {
        auto *copy = new ValueObj(m_type);
        copy->Assign(*this);
        return HandOut(copy, ppvObj);
    }
    LxResult Copy(LXtObjectID from) override {
        ValueObj *other = HostSide<ValueObj>(from);
        if (!other || other->m_storage != m_storage) return LXe_INVALIDARG;
        Assign(*other);
        return LXe_OK;
    }
    unsigned Type() override {
        switch (m_storage) {
            case Storage::Int:
                return LXi_TYPE_INTEGER;
            case Storage::Float:
                return LXi_TYPE_FLOAT;
            case Storage::String:
                return LXi_TYPE_STRING;
            case Storage::Color:
                return LXi_TYPE_OBJECT;
        }
        return LXi_TYPE_OBJECT;
    }
    LxResult GetInt(int *v) override {
        *v = m_storage == Storage::Int ? m_i : int(m_storage == Storage::Color ? m_rgb[0] : m_f);
        return LXe_OK;
    }
    LxResult SetInt(int v) override { return SetNumber(v); }
    LxResult GetFlt(double *v) override {
        *v = m_storage == Storage::Int ? double(m_i) : m_storage == Storage::Color ? m_rgb[0] : m_f;
        return LXe_OK;
    }
    LxResult SetFlt(double v) override { return SetNumber(v); }
    LxResult GetString(char *buf, unsigned len) override;
    LxResult SetString(const char *text) override;
    LxResult Encode(char *buf, unsigned len) override {
        if (m_type == LXsTYPE_DISTANCE && len) {
            CopyText(FormatDistance(m_f), buf, len);
            return LXe_OK;
        }
        return GetString(buf, len);
    }
    LxResult Decode(const char *text) override { return SetString(text); }

    // A colour's components.
    LxResult Type(unsigned *type) override {
        *type = LXi_TYPE_FLOAT;
        return LXe_OK;
    }
    unsigned Count() override { return 3; }
    LxResult GetInt(unsigned index, int *v) override {
        if (index > 2) return LXe_OUTOFBOUNDS;
        *v = int(m_rgb[index]);
        return LXe_OK;
    }
    LxResult GetFloat(unsigned index, double *v) override {
        if (index > 2) return LXe_OUTOFBOUNDS;
        *v = m_rgb[index];
        return LXe_OK;
    }
    LxResult GetString(unsigned index, char *buf, unsigned len) override {
        if (index > 2 || len == 0) return LXe_OUTOFBOUNDS;
        std::snprintf(buf, len, "%.17g", m_rgb[index]);
        return LXe_OK;
    }

protected:
    bool Provides(const LXtGUID &iid) const override {
        return m_storage == Storage::Color || !SameGuid(iid, IfcValueArray::kGuid);
    }

private:
    void Assign(const ValueObj &o) {
        m_i = o.m_i, m_f = o.m_f, m_s = o.m_s;
        std::memcpy(m_rgb, o.m_rgb, sizeof m_rgb);
    }
    LxResult SetNumber(double v) {
        if (!std::isfinite(v)) return LXe_INVALIDARG;
        switch (m_storage) {
            case Storage::Int:
                if (m_type == LXsTYPE_BOOLEAN) {
                    m_i = v != 0.0;
                } else {
                    if (!(v >= double(INT_MIN) && v <= double(INT_MAX))) return LXe_INVALIDARG;
                    m_i = int(v);
                }
                break;
            case Storage::Float:
                m_f = v;
                break;
            case Storage::Color:
                m_rgb[0] = m_rgb[1] = m_rgb[2] = v;
                break;
            case Storage::String:
                return LXe_INVALIDARG;
        }
        return LXe_OK;
    }

    std::string m_type;
    Storage m_storage;
    int m_i = 0;
    double m_f = 0.0;
    std::string m_s;
    double m_rgb[3] = {0.0, 0.0, 0.0};
};

/// Writes text into a caller's buffer; LXe_SHORTBUFFER (and nothing useful) when it does not fit.
LxResult TextOut(const std::string &text, char *buf, unsigned len) {
    if (!buf || len == 0) return LXe_SHORTBUFFER;
    CopyText(text, buf, len);
    return text.size() < len ? LXe_OK : LXe_SHORTBUFFER;
}

LxResult ValueObj::GetString(char *buf, unsigned len) {
    char tmp[96];
    switch (m_storage) {
        case Storage::Int:
            std::snprintf(tmp, sizeof tmp, "%d", m_i);
            break;
        case Storage::Float:
            std::snprintf(tmp, sizeof tmp, "%.17g", m_f);
            break;
        case Storage::Color:
            std::snprintf(tmp, sizeof tmp, "%.17g %.17g %.17g", m_rgb[0], m_rgb[1], m_rgb[2]);
            break;
        case Storage::String:
            return TextOut(m_s, buf, len);
    }
    return TextOut(tmp, buf, len);
}

LxResult ValueObj::SetString(const char *text) {
    if (!text) return LXe_INVALIDARG;
    switch (m_storage) {
        case Storage::String:
            m_s = text;
            break;
        case Storage::Int: {
            int v = 0;
            bool ok = m_type == LXsTYPE_BOOLEAN ? ParseBool(text, v) : ParseInt(text, v);
            if (!ok) return LXe_INVALIDARG;
            m_i = v;
            break;
        }
        case Storage::Float: {
            double v = 0.0;
            if (!ParseDouble(text, v)) return LXe_INVALIDARG;
            m_f = v;
            break;
        }
        case Storage::Color: {
            double c[3];
            int n = std::sscanf(text, "%lf %lf %lf", &c[0], &c[1], &c[2]);
            if (n != 3 || !std::isfinite(c[0]) || !std::isfinite(c[1]) || !std::isfinite(c[2]))
                return LXe_INVALIDARG;
            for (int k = 0; k < 3; ++k) m_rgb[k] = c[k];
            break;
        }
    }
    return LXe_OK;
}

/// The values a command query returns, kept as texts.
class ValueArrayObj final : public IfcValueArray {
public:
    unsigned Count() override { return unsigned(m_values.size()); }
    LxResult GetInt(unsigned i, int *v) override {
        double d = 0.0;
        LxResult r = GetFloat(i, &d);
        if (LXx_OK(r)) *v = int(std::lround(d));
        return r;
    }
    LxResult GetFloat(unsigned i, double *v) override {
        if (i >= m_values.size()) return LXe_OUTOFBOUNDS;
        char *end = nullptr;
        double d = std::strtod(m_values[i].c_str(), &end);
        if (end == m_values[i].c_str()) return LXe_INVALIDARG;
        *v = d;
        return LXe_OK;
    }
    /// A text that does not fit is written cut and reported as a short buffer, as the
    /// application does.
    LxResult GetString(unsigned i, char *buf, unsigned len) override {
        if (i >= m_values.size()) return LXe_OUTOFBOUNDS;
        return TextOut(m_values[i], buf, len);
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
    LxResult Reset() override {
        m_values.clear();
        return LXe_OK;
    }

private:
    std::vector<std::string> m_values;
};

class ValueServiceObj final : public IfcValueService {
public:
    LxResult CreateValue(const char *type, void **ppvObj) override {
        if (!type) return LXe_INVALIDARG;
        return HandOut(new ValueObj(type), ppvObj);
    }
    LxResult ValueType(const char *type, unsigned *valType) override {
        if (!type) return LXe_INVALIDARG;
        ValueObj probe(type);
        *valType = probe.Type();
        return LXe_OK;
    }
};

}  // namespace

LXtObjectID NewValueObject(const std::string &type) {
    return (new ValueObj(type))->Hand();
}

LXtObjectID NewValueArray() {
    return (new ValueArrayObj)->Hand();
}

LXtObjectID NewValueService() {
    return (new ValueServiceObj)->Hand();
}

}  // namespace gorva::host
