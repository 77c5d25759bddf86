// A scene as the user has it open: its items, selection, active layers, preferences and notes.
// Files and pictures read and write through it; the Host implements it.
#pragma once
#include "host/guard.hpp"

#include <string>

#include "host/model/scene.hpp"
#include "host/model/selection.hpp"

namespace gorva::host {

class Document {
public:
    virtual ~Document() = default;
    /// The items and their meshes.
    virtual Scene &Content() = 0;
    virtual const Scene &Content() const = 0;
    /// The selected items and elements (non-const: reading brings its lists up to date).
    virtual Selection &Selected() = 0;
    /// True for a mesh item that is an active layer.
    virtual bool IsActive(const ItemData &item) const = 0;
    /// Makes a mesh item an active layer or takes it out of them; other items are ignored.
    virtual void SetActive(ItemData &item, bool active) = 0;
    /// The primary layer (null: the first active one).
    virtual void SetPrimary(ItemData *item) = 0;
    /// Empties the scene, its selection and layers, before a file is read into it.
    virtual void NewScene() = 0;
    /// A preference's text ("units.upAxis"), empty when unset.
    virtual std::string Preference(const std::string &name) const = 0;
    /// Keeps a line for the user at a log level (1 error, 2 normal).
    virtual void Note(unsigned level, const std::string &text) = 0;
};

}  // namespace gorva::host
