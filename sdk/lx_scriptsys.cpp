#include "lx_scriptsys.hpp"

#include <cstdio>

bool CLxReadUserValue::Query(const char *name) {
    CLxUser_ScriptSysService svc;
    void *p = nullptr;
    m_value.clear();
    return svc.test() && LXx_OK(svc.loc()->UserValueLookup(name, &p)) && m_value.take(p);
}

int CLxReadUserValue::GetInt() {
    int v = 0;
    return m_value.test() && LXx_OK(m_value.loc()->GetInt(&v)) ? v : 0;
}

double CLxReadUserValue::GetFloat() {
    double v = 0.0;
    return m_value.test() && LXx_OK(m_value.loc()->GetFlt(&v)) ? v : 0.0;
}

std::string CLxReadUserValue::GetString() {
    const char *s = nullptr;
    return m_value.test() && LXx_OK(m_value.loc()->GetString(&s)) && s ? std::string(s) : std::string();
}

CLxCommandQuery::CLxCommandQuery(const char *commandName) {
    CLxUser_CommandService svc;
    svc.NewCommand(m_cmd, commandName);
}

bool CLxCommandQuery::SetArgString(unsigned index, const char *text) {
    return m_cmd.test() && m_cmd.SetArgString(index, text);
}

bool CLxCommandQuery::Query(unsigned index) {
    CLxUser_ValueService svc;
    if (!m_cmd.test() || !svc.NewValueArray(m_values)) return false;
    return LXx_OK(m_cmd.Query(index, m_values));
}

unsigned CLxCommandQuery::Count() {
    return m_values.test() ? m_values.Count() : 0;
}

int CLxCommandQuery::GetInt(unsigned i) {
    int v = 0;
    return Count() > i && LXx_OK(m_values.GetInt(i, &v)) ? v : 0;
}

double CLxCommandQuery::GetFloat(unsigned i) {
    double v = 0.0;
    return Count() > i && LXx_OK(m_values.GetFloat(i, &v)) ? v : 0.0;
}

bool CLxCommandQuery::GetString(char *buf, unsigned len, unsigned i) {
    if (len == 0 || Count() <= i) return false;
    buf[0] = '\0';
    return LXx_OK(m_values.GetString(i, buf, len));
}

bool CLxReadPreferenceValue::Query(const char *preference) {
    return SetArgString(0, preference) && CLxCommandQuery::Query(1u) && Count() > 0;
}
