// Servers, their factories and the module object the host enters through ILxModule_Create.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "lx_com.hpp"

/// A registered server: the host spawns instances through it.
class ILxFactory : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxFactory";
    virtual LxResult Name(const char **name) = 0;
    virtual LxResult InterfaceCount(unsigned *count) = 0;
    /// Interface names in the order the server added them.
    virtual LxResult InterfaceName(unsigned index, const char **name) = 0;
    /// A new server instance (its unknown interface, with one reference).
    virtual LxResult Spawn(void **ppvObj) = 0;

protected:
    ~ILxFactory() = default;
};

class ILxModule : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxModule";
    virtual LxResult ServerCount(unsigned *count) = 0;
    virtual LxResult ServerByIndex(unsigned index, void **factory) = 0;
    virtual LxResult ServerLookup(const char *name, void **factory) = 0;

protected:
    ~ILxModule() = default;
};

class CLxServerObject;

/// Prototype of one interface of a server class; Bind makes the instance's own copy.
class CLxGenericInterface {
public:
    virtual ~CLxGenericInterface() = default;
    virtual const char *IID() const = 0;
    virtual ILxUnknownID Unknown() = 0;
    virtual CLxGenericInterface *Bind(void *obj, CLxServerObject *owner) const = 0;
};

/// The SDK's polymorphic server factory: creates and destroys instances of one class.
class CLxGenericPolymorph {
public:
    virtual ~CLxGenericPolymorph() = default;
    virtual void *NewObj() = 0;
    virtual void DeleteObj(void *obj) = 0;
    /// Takes ownership of an interface prototype; interfaces are offered in the order added.
    void AddInterface(CLxGenericInterface *prototype) { m_interfaces.emplace_back(prototype); }
    const std::vector<std::unique_ptr<CLxGenericInterface>> &Interfaces() const { return m_interfaces; }

private:
    std::vector<std::unique_ptr<CLxGenericInterface>> m_interfaces;
};

template <class T>
class CLxPolymorph : public CLxGenericPolymorph {
public:
    void *NewObj() override { return new T; }
    void DeleteObj(void *obj) override { delete static_cast<T *>(obj); }
};

/// One live server instance: owns the class object and its bound interfaces.
class CLxServerObject final : public ILxUnknown {
public:
    CLxServerObject(CLxGenericPolymorph *poly);
    LxResult QueryInterface(const char *iid, void **ppvObj) override;
    unsigned AddRef() override { return ++m_refs; }
    unsigned Release() override;
    /// The instance of the server class (for the SDK's own glue).
    void *Object() const { return m_obj; }

private:
    ~CLxServerObject();
    CLxGenericPolymorph *m_poly;
    void *m_obj;
    std::vector<std::unique_ptr<CLxGenericInterface>> m_interfaces;
    unsigned m_refs = 1;
};

/// Glue base for server interfaces: reference counting goes to the owning server object.
template <class I, class Self>
class CLxInterfaceGlue : public I, public CLxGenericInterface {
public:
    const char *IID() const override { return I::IID; }
    ILxUnknownID Unknown() override { return static_cast<I *>(this); }
    LxResult QueryInterface(const char *iid, void **ppvObj) override {
        return m_owner->QueryInterface(iid, ppvObj);
    }
    unsigned AddRef() override { return m_owner->AddRef(); }
    unsigned Release() override { return m_owner->Release(); }
    CLxGenericInterface *Bind(void *obj, CLxServerObject *owner) const override {
        Self *bound = new Self;
        bound->m_obj = obj;
        bound->m_owner = owner;
        return bound;
    }

protected:
    void *m_obj = nullptr;
    CLxServerObject *m_owner = nullptr;
};

namespace lx {

/// Registers a server under its name; the module keeps the polymorph for the life of the load.
LxResult AddServer(const char *name, CLxGenericPolymorph *poly);

/// Body of the module entry: sets the host root, runs `init` once per load, hands out the module.
LxResult CreateModule(ILxUnknownID host, void **ppvObj, void (*init)());

}  // namespace lx

/// The module's start-up, written by the plug-in: registers every server.
void initialize();

extern "C" LxResult ILxModule_Create(ILxUnknownID host, void **ppvObj);
