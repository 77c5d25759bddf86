// Visitors: the host calls Evaluate once per element of an enumeration.
#pragma once

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

/// Short-lived ILxVisitor that forwards to a CLxImpl_AbstractVisitor the caller owns.
class CLxVisitorGlue final : public ILxVisitor {
public:
    explicit CLxVisitorGlue(CLxImpl_AbstractVisitor *impl) : m_impl(impl) {}
    LxResult QueryInterface(const char *iid, void **ppvObj) override {
        return LxOfferInterface<ILxVisitor>(this, iid, ppvObj) ? LXe_OK : LXe_NOINTERFACE;
    }
    // Lives on the caller's stack for the length of one enumeration.
    unsigned AddRef() override { return 1; }
    unsigned Release() override { return 1; }
    LxResult Evaluate() override { return m_impl->Evaluate(); }

private:
    CLxImpl_AbstractVisitor *m_impl;
};
