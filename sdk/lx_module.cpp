#include "lx_module.hpp"

#include <cstring>

CLxServerObject::CLxServerObject(CLxGenericPolymorph *poly) : m_poly(poly), m_obj(poly->NewObj()) {
    for (const auto &proto : poly->Interfaces()) m_interfaces.emplace_back(proto->Bind(m_obj, this));
}

CLxServerObject::~CLxServerObject() {
    m_interfaces.clear();
    m_poly->DeleteObj(m_obj);
}

LxResult CLxServerObject::QueryInterface(const char *iid, void **ppvObj) {
    if (std::strcmp(iid, "ILxUnknown") == 0) {
        *ppvObj = static_cast<ILxUnknown *>(this);
        AddRef();
        return LXe_OK;
    }
    for (const auto &ifc : m_interfaces) {
        if (std::strcmp(ifc->IID(), iid) == 0) {
            *ppvObj = ifc->Unknown();
            AddRef();
            return LXe_OK;
        }
    }
    *ppvObj = nullptr;
    return LXe_NOINTERFACE;
}

unsigned CLxServerObject::Release() {
    unsigned left = --m_refs;
    if (left == 0) delete this;
    return left;
}

namespace {

struct ServerEntry {
    std::string name;
    std::unique_ptr<CLxGenericPolymorph> poly;
};

std::vector<ServerEntry> &ServerTable() {
    static std::vector<ServerEntry> table;
    return table;
}

class Factory final : public ILxFactory {
public:
    explicit Factory(const ServerEntry &entry) : m_entry(entry) {}
    LxResult QueryInterface(const char *iid, void **ppvObj) override {
        return LxOfferInterface<ILxFactory>(this, iid, ppvObj) ? LXe_OK : LXe_NOINTERFACE;
    }
    unsigned AddRef() override { return ++m_refs; }
    unsigned Release() override {
        unsigned left = --m_refs;
        if (left == 0) delete this;
        return left;
    }
    LxResult Name(const char **name) override {
        *name = m_entry.name.c_str();
        return LXe_OK;
    }
    LxResult InterfaceCount(unsigned *count) override {
        *count = unsigned(m_entry.poly->Interfaces().size());
        return LXe_OK;
    }
    LxResult InterfaceName(unsigned index, const char **name) override {
        const auto &ifcs = m_entry.poly->Interfaces();
        if (index >= ifcs.size()) return LXe_OUTOFBOUNDS;
        *name = ifcs[index]->IID();
        return LXe_OK;
    }
    LxResult Spawn(void **ppvObj) override {
        *ppvObj = static_cast<ILxUnknown *>(new CLxServerObject(m_entry.poly.get()));
        return LXe_OK;
    }

private:
    ~Factory() = default;
    const ServerEntry &m_entry;
    unsigned m_refs = 1;
};

class Module final : public ILxModule {
public:
    LxResult QueryInterface(const char *iid, void **ppvObj) override {
        return LxOfferInterface<ILxModule>(this, iid, ppvObj) ? LXe_OK : LXe_NOINTERFACE;
    }
    // One module object per load; the host's references never destroy it.
    unsigned AddRef() override { return 1; }
    unsigned Release() override { return 1; }
    LxResult ServerCount(unsigned *count) override {
        *count = unsigned(ServerTable().size());
        return LXe_OK;
    }
    LxResult ServerByIndex(unsigned index, void **factory) override {
        if (index >= ServerTable().size()) return LXe_OUTOFBOUNDS;
        *factory = static_cast<ILxFactory *>(new Factory(ServerTable()[index]));
        return LXe_OK;
    }
    LxResult ServerLookup(const char *name, void **factory) override {
        for (unsigned i = 0; i < ServerTable().size(); ++i)
            if (ServerTable()[i].name == name) return ServerByIndex(i, factory);
        return LXe_NOTFOUND;
    }
};

}  // namespace

namespace lx {

LxResult AddServer(const char *name, CLxGenericPolymorph *poly) {
    auto &table = ServerTable();
    // std::vector growth would move entries that factories refer to; reserve for any sane module.
    if (table.capacity() == 0) table.reserve(64);
    if (table.size() == table.capacity()) {
        delete poly;
        return LXe_OUTOFMEMORY;
    }
    table.push_back(ServerEntry{name, std::unique_ptr<CLxGenericPolymorph>(poly)});
    return LXe_OK;
}

LxResult CreateModule(ILxUnknownID host, void **ppvObj, void (*init)()) {
    static Module module;
    static bool initialized = false;
    if (host) SetHostRoot(host);
    if (!initialized) {
        initialized = true;
        init();
    }
    *ppvObj = static_cast<ILxModule *>(&module);
    return LXe_OK;
}

}  // namespace lx
