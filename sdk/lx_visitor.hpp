// Visitors: the host calls Evaluate once per element of an enumeration.
#pragma once

#include <type_traits>

#include "lx_com.hpp"

class ILxVisitor : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxVisitor";
    /// Called with the enumerating accessor positioned on the element; a failure code stops the walk.
    virtual LxResult Evaluate() = 0;

protected:
    ~ILxVisitor() = default;
};

/// Server-side base of a visitor (`CLxImpl_AbstractVisitor`).
class CLxImpl_AbstractVisitor {
public:
    virtual ~CLxImpl_AbstractVisitor() = default;
    virtual LxResult Evaluate() = 0;
};

/// Short-lived ILxVisitor that forwards to a visitor the caller owns. Typed on the caller's visitor
/// class so that a `final` visitor is called directly instead of through a second virtual call.
template <class Visitor>
class CLxVisitorGlueT final : public ILxVisitor {
public:
    static_assert(std::is_base_of_v<CLxImpl_AbstractVisitor, Visitor>,
                  "a visitor derives from CLxImpl_AbstractVisitor");
    explicit CLxVisitorGlueT(Visitor *impl) : m_impl(impl) {}
    LxResult QueryInterface(const char *iid, void **ppvObj) override {
        return LxOfferInterface<ILxVisitor>(this, iid, ppvObj) ? LXe_OK : LXe_NOINTERFACE;
    }
    // Lives on the caller's stack for the length of one enumeration.
    unsigned AddRef() override { return 1; }
    unsigned Release() override { return 1; }
    LxResult Evaluate() override { return m_impl->Evaluate(); }

private:
    Visitor *m_impl;
};
