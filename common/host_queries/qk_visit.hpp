// Enumerating mesh elements with a visitor. The SDK wrappers' Enum makes a visitor object per call
// whose interface table the SDK never frees; here one visitor class serves every enumeration.
#pragma once

#include "lx_wrap.hpp"
#include "lx_visitor.hpp"
#include "lxmesh.h"

namespace qk {

/// A visitor object on loan for one enumeration: relays each visit to `visitor`, released on
/// destruction. Empty (false) when the object could not be made.
class VisitorObject {
public:
    explicit VisitorObject(CLxImpl_AbstractVisitor &visitor);
    ~VisitorObject();
    VisitorObject(const VisitorObject &) = delete;
    VisitorObject &operator=(const VisitorObject &) = delete;
    explicit operator bool() const { return m_obj != nullptr; }
    operator ILxUnknownID() const { return m_obj; }

private:
    ILxUnknownID m_obj = nullptr;
};

/// Runs `visitor` on each element of the accessor's kind that passes `mode` (any for LXiMARK_ANY),
/// the accessor positioned on it; the result of the accessor's Enumerate, or LXe_FAILED when no
/// visitor object could be made.
template <class Accessor>
LxResult Visit(Accessor &elements, CLxImpl_AbstractVisitor &visitor, LXtMarkMode mode = LXiMARK_ANY,
               ILxUnknownID monitor = nullptr) {
    VisitorObject object(visitor);
    if (!object) return LXe_FAILED;
    return elements.Enumerate(mode, object, monitor);
}

}  // namespace qk
