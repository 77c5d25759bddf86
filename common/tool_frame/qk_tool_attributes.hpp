// How a tool is registered and how it declares its attributes: one table per tool of (index, name,
// type, popup, limits), declared in order by the tool frame, which also answers the attributes' UI
// hints from it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "lx_wrap.hpp"
#include "lxu_attributes.hpp"
#include "lx_vmodel.hpp"
#include "lx_tool.hpp"

namespace qk {

/// Adds the four tool interfaces in their fixed order (tool, tool model, attributes, attributes
/// UI) to a new server factory of T and registers it under `serverName`.
template <class T>
void RegisterTool(const char *serverName) {
    auto *srv = new CLxPolymorph<T>;
    srv->AddInterface(new CLxIfc_Tool<T>);
    srv->AddInterface(new CLxIfc_ToolModel<T>);
    srv->AddInterface(new CLxIfc_Attributes<T>);
    srv->AddInterface(new CLxIfc_AttributesUI<T>);
    lx::AddServer(serverName, srv);
}

/// A popup: its entries' internal names (values 0 to count - 1) and its type, without the "=".
struct PopupDef {
    const char *const *names;
    unsigned count;
    const char *type;
};

/// A popup's hint table: one row (value, internal name) per entry in value order from 0, then the
/// row (-1, "=" + popupType) that names the popup's type, then the end row (-1, null).
class PopupHints {
public:
    PopupHints(std::vector<const char *> names, const char *popupType);
    explicit PopupHints(const PopupDef &popup);
    PopupHints(const PopupHints &) = delete;
    PopupHints &operator=(const PopupHints &) = delete;
    /// The table, valid for the life of this object.
    const LXtTextValueHint *Table() const { return m_rows.data(); }

private:
    std::string m_type;
    std::vector<LXtTextValueHint> m_rows;
};

/// Numeric limits an attribute's UI applies (integers use them as whole numbers).
struct AttributeLimits {
    bool hasMinimum = false;
    bool hasMaximum = false;
    double minimum = 0.0;
    double maximum = 0.0;

    static constexpr AttributeLimits None() { return {}; }
    static constexpr AttributeLimits AtLeast(double min) { return {true, false, min, 0.0}; }
    static constexpr AttributeLimits Range(double min, double max) { return {true, true, min, max}; }
};

/// One row of a tool's attribute table: its index (position of declaration), name, host type name,
/// and optionally its popup and its UI limits.
struct ToolAttributeDef {
    unsigned index;
    const char *name;
    const char *type;
    const PopupDef *popup = nullptr;
    AttributeLimits limits = {};
};

/// True when every row's index is its position, so the table declares the attributes in order.
template <std::size_t N>
constexpr bool IsDeclarationOrder(const ToolAttributeDef (&rows)[N]) {
    for (std::size_t i = 0; i < N; ++i)
        if (rows[i].index != i) return false;
    return true;
}

}  // namespace qk
