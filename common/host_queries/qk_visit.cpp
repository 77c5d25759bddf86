#include "qk_visit.hpp"

namespace qk {

namespace {

class VisitorRelay : public CLxImpl_Visitor {
public:
    LxResult vis_Evaluate() override { return target ? target->Evaluate() : LXe_OK; }
    CLxImpl_AbstractVisitor *target = nullptr;
};

/// Made once for the life of the module.
CLxPolymorph<VisitorRelay> &RelayPolymorph() {
    static CLxPolymorph<VisitorRelay> *const polymorph = [] {
        auto *made = new CLxPolymorph<VisitorRelay>;
        made->AddInterface(new CLxIfc_Visitor<VisitorRelay>);
        return made;
    }();
    return *polymorph;
}

}  // namespace

VisitorObject::VisitorObject(CLxImpl_AbstractVisitor &visitor) {
    CLxPolymorph<VisitorRelay> &polymorph = RelayPolymorph();
    m_obj = polymorph.Spawn();
    if (m_obj) polymorph.Cast(m_obj)->target = &visitor;
}

VisitorObject::~VisitorObject() {
    if (m_obj) lx::ObjRelease(m_obj);
}

}  // namespace qk
