#include "lx_vector.hpp"

unsigned CLxUser_VectorType::Count() {
    unsigned n = 0;
    return test() && LXx_OK(m_loc->Count(&n)) ? n : 0;
}

std::string CLxUser_VectorType::Name(unsigned index) {
    const char *name = nullptr;
    unsigned flags = 0;
    if (!test() || LXx_FAIL(m_loc->ByIndex(index, &name, &flags)) || !name) return std::string();
    return name;
}

unsigned CLxUser_VectorType::Flags(unsigned index) {
    const char *name = nullptr;
    unsigned flags = 0;
    if (!test() || LXx_FAIL(m_loc->ByIndex(index, &name, &flags))) return 0;
    return flags;
}

bool CLxUser_PacketService::NewVectorType(const char *category, CLxUser_VectorType &vectorType) {
    void *p = nullptr;
    vectorType.clear();
    return test() && LXx_OK(m_loc->NewVectorType(category, &p)) && vectorType.take(p);
}

void *CLxUser_VectorStack::Read(unsigned offset) {
    void *p = nullptr;
    if (!test() || offset == ~0u || LXx_FAIL(m_loc->Readable(offset, &p))) return nullptr;
    return p;
}
