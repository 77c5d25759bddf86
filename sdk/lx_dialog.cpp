#include "lx_dialog.hpp"

#include <cstdarg>
#include <cstdio>
#include <vector>

std::string CLxUser_Message::GetTable() {
    const char *t = nullptr;
    return LXx_OK(m_loc->Table(&t)) && t ? std::string(t) : std::string();
}

std::string CLxUser_Message::GetKey() {
    const char *k = nullptr;
    return LXx_OK(m_loc->Key(&k)) && k ? std::string(k) : std::string();
}

bool CLxUser_MessageService::NewMessage(CLxUser_Message &msg) {
    void *p = nullptr;
    msg.clear();
    return test() && LXx_OK(m_loc->Allocate(&p)) && msg.take(p);
}

std::string CLxUser_MessageService::GetText(CLxUser_Message &msg) {
    std::vector<char> buf(1024, '\0');
    if (!test() || LXx_FAIL(m_loc->MessageText(msg, buf.data(), unsigned(buf.size())))) return std::string();
    return std::string(buf.data());
}

bool CLxUser_StdDialogService::MonitorAllocate(const char *title, CLxUser_Monitor &monitor) {
    void *p = nullptr;
    monitor.clear();
    return test() && LXx_OK(m_loc->MonitorAllocate(title, &p)) && monitor.take(p);
}

bool CLxUser_StdDialogService::MessageAllocate(CLxUser_Message &msg) {
    void *p = nullptr;
    msg.clear();
    return test() && LXx_OK(m_loc->MessageAllocate(&p)) && msg.take(p);
}

LxResult CLxUser_LogService::DebugOut(unsigned level, const char *format, ...) {
    if (!test()) return LXe_NOTAVAILABLE;
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    return m_loc->DebugOut(level, line);
}

int CLxUser_Value::GetInt() {
    int v = 0;
    return LXx_OK(m_loc->GetInt(&v)) ? v : 0;
}

double CLxUser_Value::GetFlt() {
    double v = 0.0;
    return LXx_OK(m_loc->GetFlt(&v)) ? v : 0.0;
}

bool CLxUser_Value::GetString(std::string &text) {
    std::vector<char> buf(1024, '\0');
    if (LXx_FAIL(m_loc->GetString(buf.data(), unsigned(buf.size())))) return false;
    text = buf.data();
    return true;
}

std::string CLxUser_StringConversion::Encode() {
    char buf[256] = {0};
    return LXx_OK(m_loc->Encode(buf, sizeof buf)) ? std::string(buf) : std::string();
}

bool CLxUser_ValueService::NewValue(CLxUser_Value &value, const char *typeName) {
    void *p = nullptr;
    value.clear();
    return test() && LXx_OK(m_loc->NewValue(typeName, &p)) && value.take(p);
}

bool CLxUser_ValueService::NewValueArray(CLxUser_ValueArray &array) {
    void *p = nullptr;
    array.clear();
    return test() && LXx_OK(m_loc->NewValueArray(&p)) && array.take(p);
}
