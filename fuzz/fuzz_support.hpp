// What every fuzz target shares: a host with the module linked in and its file commands kept in a
// scratch folder, generated scenes and values, and the checks applied after every step (meshes
// valid, a failed step changes nothing, a rolled-back step gives the scene back bit for bit).
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <memory>
#include <string>
#include <vector>

#include "host/host.hpp"

namespace gorva::fuzz {

/// A fresh host with the statically linked module attached. scene.open, scene.saveAs, scene.dump
/// and render read and write only inside a scratch folder of the process (a path keeps its file
/// name, cleaned), which every new host finds holding only "facade.obj", "arcade_wall.obj" and
/// "degenerate.obj"; pictures are drawn at most 96 pixels wide and high.
std::unique_ptr<host::Host> NewHost();

/// The process's scratch folder, made once; NewHost empties it and puts the seed scenes back.
const std::string &ScratchFolder();

/// Stops the run as a finding: prints what broke and at which step, then aborts.
[[noreturn]] void Finding(const std::string &step, const std::string &what);

/// Checks every mesh (corner indices in range, polygon offsets, tags, maps, the edge table against
/// one built afresh, finite positions), the items (parents and children agree, no cycle, channels
/// finite) and the selection (each entry exists and carries the select mark, and every marked
/// element is listed). Calls Finding on the first fault.
void CheckInvariants(host::Host &host, const std::string &step);

/// The scene as bytes: items, channels (bit for bit), parents, meshes (positions bit for bit,
/// polygons, tags, maps, edges); with `selection`, also the selection lists, active layers,
/// primary layer, user values and preferences. Two states are equal exactly when the bytes are.
std::string Capture(host::Host &host, bool selection);

/// Names of the registered servers that are commands, or tools.
std::vector<std::string> CommandNames(host::Host &host);
std::vector<std::string> ToolNames(host::Host &host);

/// One attribute of a server as its attribute table declares it.
struct AttributeInfo {
    std::string name;
    std::string type;
    std::vector<std::string> popup;  // names of a text-value hint table, if any
};
/// The attribute table of a registered server (spawned for the purpose).
std::vector<AttributeInfo> Attributes(host::Host &host, const std::string &server);

/// A number as text, taken from values that break things: zero, one, signs, tiny and huge values,
/// single precision's edge, values beyond it, NaN and infinities, whole numbers beyond 32 bits,
/// fractions, and arbitrary doubles.
std::string NumberText(FuzzedDataProvider &in);
/// A value for an attribute of the given type (and popup), extremes included.
std::string AttributeValue(FuzzedDataProvider &in, const AttributeInfo &attr);
/// A coordinate from the same family, finite and within single precision.
float Coordinate(FuzzedDataProvider &in);

/// Adds up to four generated meshes (points, one- and two-vertex polygons, repeated and out-of-range
/// corners refused, tags, empty meshes, transformed and parented items, some inactive), or the
/// canned degenerate scene, and a random selection of vertices, edges and polygons.
void GenerateScene(FuzzedDataProvider &in, host::Host &host);
/// Sets random values on the user values and the preference the commands read.
void GenerateSettings(FuzzedDataProvider &in, host::Host &host);

/// Runs one command line as a checked step: afterwards the invariants hold; a failure leaves the
/// state as it was; when `undo` is set (and the line neither replaces the scene nor drives a tool),
/// the step runs inside a savepoint that is then rolled back, which must give the scene back bit for
/// bit. Returns whether the line succeeded. With GORVA_FUZZ_VERBOSE set, prints each line and its
/// outcome (for reading a finding).
bool CheckedStep(host::Host &host, const std::string &line, bool undo);

}  // namespace gorva::fuzz
