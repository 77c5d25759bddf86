// Yes/no tests on the host's state that commands and tools build their enabled state from.
// Each reads through the SDK, changes nothing, and answers false when the host cannot tell.
#pragma once

namespace qk {

/// The host application's version number (801 for the supported host), 0 when unknown.
int GetModoVersionNum();
/// True when the current selection type is vertices, edges or polygons.
bool IsComponentModeSelected();
/// True when the current selection type is vertices.
bool IsSetVertexMode();
/// True when at least n vertices are selected (always true for n <= 0).
bool IsSetVertexSelection(int n);
/// True when at least n polygons are selected (always true for n <= 0).
bool IsSetPolygonSelection(int n);
/// True when at least one active mesh layer has a polygon.
bool DoMeshItemsContainPolygons();
/// True when at least one active mesh layer has a vertex.
bool DoMeshItemsContainVertices();
/// True when an active layer's item has a world transform other than the identity (within 1e-6).
bool IsSetItemTransform();
/// True when the user has set an item as the reference system.
bool IsSetItemRefSystem();
/// True when a reference system is set and it is not the item of the primary layer (the first
/// active layer unless another is made primary).
bool IsSetItemRefSecondaryLayer();

}  // namespace qk
