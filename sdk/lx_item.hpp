// Scenes, items, channels, matrices and locators.
#pragma once

#include <string>

#include "lx_com.hpp"

#define LXsITYPE_MESH "mesh"
#define LXsITYPE_LOCATOR "locator"
#define LXsITYPE_GROUPLOCATOR "groupLocator"
#define LXsITYPE_LIGHTMATERIAL "lightMaterial"
#define LXsICHAN_XFRMCORE_WORLDMATRIX "worldMatrix"
#define LXsICHAN_XFRMCORE_WPOSMATRIX "wposMatrix"
#define LXsICHAN_XFRMCORE_WROTMATRIX "wrotMatrix"
#define LXsICHAN_XFRMCORE_WSCLMATRIX "wsclMatrix"
#define LXsACTIONLAYER_EDIT "edit"
#define LXiLOCATOR_LOCAL 1u

/// A 4x4 transform in the row-vector convention: rows 0..2 are the axes, row 3 the translation.
class ILxMatrix : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxMatrix";
    /// Upper-left 3x3 block, rows as in Get4.
    virtual LxResult Get3(LXtMatrix m3) = 0;
    virtual LxResult Get4(LXtMatrix4 m4) = 0;
    virtual LxResult GetOffset(LXtVector offset) = 0;

protected:
    ~ILxMatrix() = default;
};

class ILxItem : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxItem";
    virtual LxResult Type(LXtItemType *type) = 0;
    /// LXe_TRUE when the item's type is exactly `type`.
    virtual LxResult TestType(LXtItemType type) = 0;
    /// LXe_TRUE when the item's type is `type` or derives from it (a light is a locator).
    virtual LxResult IsA(LXtItemType type) = 0;
    /// LXe_OK when the item carries the package (for example "mesh").
    virtual LxResult PackageTest(const char *package) = 0;
    virtual LxResult Ident(const char **ident) = 0;
    virtual LxResult Name(const char **name) = 0;
    virtual LxResult SetName(const char *name) = 0;
    /// LXe_NOTFOUND for a root item.
    virtual LxResult Parent(void **ppvObj) = 0;
    /// A null parent moves the item to the root.
    virtual LxResult SetParent(ILxUnknownID parent) = 0;
    virtual LxResult SubCount(unsigned *count) = 0;
    virtual LxResult SubByIndex(unsigned index, void **ppvObj) = 0;
    virtual LxResult ChannelCount(unsigned *count) = 0;
    virtual LxResult ChannelLookup(const char *name, unsigned *index) = 0;
    virtual LxResult ChannelName(unsigned index, const char **name) = 0;
    virtual LxResult Context(void **scene) = 0;

protected:
    ~ILxItem() = default;
};

class ILxChannelRead : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxChannelRead";
    virtual LxResult Double(ILxUnknownID item, unsigned channel, double *value) = 0;
    virtual LxResult Integer(ILxUnknownID item, unsigned channel, int *value) = 0;
    virtual LxResult String(ILxUnknownID item, unsigned channel, const char **value) = 0;
    /// Value object of a channel: an ILxMatrix for the matrix channels.
    virtual LxResult ValueObj(ILxUnknownID item, unsigned channel, void **ppvObj) = 0;

protected:
    ~ILxChannelRead() = default;
};

class ILxChannelWrite : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxChannelWrite";
    virtual LxResult Double(ILxUnknownID item, unsigned channel, double value) = 0;
    virtual LxResult Integer(ILxUnknownID item, unsigned channel, int value) = 0;
    virtual LxResult String(ILxUnknownID item, unsigned channel, const char *value) = 0;

protected:
    ~ILxChannelWrite() = default;
};

/// Transform setters of locator-type items. The rotation matrix holds the item's axes as columns.
class ILxLocator : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxLocator";
    virtual LxResult SetPosition(ILxUnknownID chanRead, ILxUnknownID chanWrite, const LXtVector pos,
                                 unsigned type, unsigned link) = 0;
    virtual LxResult SetRotation(ILxUnknownID chanRead, ILxUnknownID chanWrite, const LXtMatrix m3,
                                 unsigned type, unsigned link) = 0;
    /// Scale from the diagonal of a 4x4 scale matrix.
    virtual LxResult SetScale(ILxUnknownID chanRead, ILxUnknownID chanWrite, const LXtMatrix4 m4,
                              unsigned type, unsigned link) = 0;

protected:
    ~ILxLocator() = default;
};

class ILxScene : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxScene";
    virtual LxResult ItemCount(LXtItemType type, unsigned *count) = 0;
    virtual LxResult ItemByIndex(LXtItemType type, unsigned index, void **ppvObj) = 0;
    virtual LxResult ItemLookup(const char *ident, void **ppvObj) = 0;
    virtual LxResult ItemAdd(LXtItemType type, void **ppvObj) = 0;
    /// Adds an instance of the item: same type and settings, linked to its source.
    virtual LxResult ItemInstance(ILxUnknownID item, void **ppvObj) = 0;
    virtual LxResult GetChannels(double time, void **ppvObj) = 0;
    virtual LxResult SetChannels(const char *action, double time, void **ppvObj) = 0;

protected:
    ~ILxScene() = default;
};

class ILxSceneService : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxSceneService";
    virtual LxResult ItemTypeLookup(const char *name, LXtItemType *type) = 0;
    virtual LxResult ItemTypeName(LXtItemType type, const char **name) = 0;

protected:
    ~ILxSceneService() = default;
};

// ---- client wrappers ----

class CLxUser_Item;
class CLxUser_Scene;

class CLxUser_Matrix : public CLxLocT<ILxMatrix> {
public:
    LxResult Get3(LXtMatrix m) { return m_loc->Get3(m); }
    LxResult Get4(LXtMatrix4 m) { return m_loc->Get4(m); }
    LxResult GetOffset(LXtVector v) { return m_loc->GetOffset(v); }
};

class CLxUser_ChannelRead : public CLxLocT<ILxChannelRead> {
public:
    /// Channel read of the item's scene at the given time.
    bool from(CLxUser_Item &item, double time);
    LxResult Double(ILxUnknownID item, unsigned chan, double *v) { return m_loc->Double(item, chan, v); }
    LxResult Integer(ILxUnknownID item, unsigned chan, int *v) { return m_loc->Integer(item, chan, v); }
    /// The value of a channel by name, or `fallback` when the item has no such channel.
    double FValue(CLxUser_Item &item, const char *channel, double fallback = 0.0);
    /// Binds `obj` to the value object of the named channel; false when the item has no such channel.
    bool Object(CLxUser_Item &item, const char *channel, CLxUser_Matrix &obj);
};

class CLxUser_ChannelWrite : public CLxLocT<ILxChannelWrite> {
public:
    LxResult Double(ILxUnknownID item, unsigned chan, double v) { return m_loc->Double(item, chan, v); }
    LxResult Integer(ILxUnknownID item, unsigned chan, int v) { return m_loc->Integer(item, chan, v); }
    LxResult String(ILxUnknownID item, unsigned chan, const char *v) { return m_loc->String(item, chan, v); }
    /// Writes a channel by name; false when the item has no such channel.
    bool Set(CLxUser_Item &item, const char *channel, double value);
};

class CLxUser_Item : public CLxLocT<ILxItem> {
public:
    LXtItemType Type();
    bool TestType(LXtItemType type) { return m_loc->TestType(type) == LXe_TRUE; }
    bool IsA(LXtItemType type) { return m_loc->IsA(type) == LXe_TRUE; }
    /// The item's identity text; empty when it has none.
    std::string GetIdentity();
    LxResult Ident(const char **ident) { return m_loc->Ident(ident); }
    bool GetUniqueName(std::string &name);
    LxResult SetName(const char *name) { return m_loc->SetName(name); }
    bool GetParent(CLxUser_Item &parent);
    LxResult SetParent(ILxUnknownID parent) { return m_loc->SetParent(parent); }
    LxResult SubCount(unsigned *n) { return m_loc->SubCount(n); }
    bool SubByIndex(unsigned i, CLxUser_Item &sub);
    LxResult ChannelLookup(const char *name, unsigned *index) { return m_loc->ChannelLookup(name, index); }
    /// Channel index by name, or -1.
    int ChannelIndex(const char *name);
    bool GetContext(CLxUser_Scene &scene);
    bool PackageTest(const char *package) { return m_loc->PackageTest(package) == LXe_OK; }
};

class CLxUser_Scene : public CLxLocT<ILxScene> {
public:
    LxResult ItemCount(LXtItemType type, unsigned *n) { return m_loc->ItemCount(type, n); }
    bool ItemByIndex(LXtItemType type, unsigned i, CLxUser_Item &item);
    bool ItemLookup(const char *ident, CLxUser_Item &item);
    bool NewItem(LXtItemType type, CLxUser_Item &item);
    bool ItemInstance(CLxUser_Item &source, CLxUser_Item &instance);
    bool GetChannels(CLxUser_ChannelRead &read, double time);
    bool SetChannels(CLxUser_ChannelWrite &write, const char *action, double time);
};

class CLxUser_Locator : public CLxLocT<ILxLocator> {
public:
    LxResult SetPosition(CLxUser_ChannelRead &r, CLxUser_ChannelWrite &w, const LXtVector pos, unsigned type,
                         unsigned link) {
        return m_loc->SetPosition(r, w, pos, type, link);
    }
    LxResult SetRotation(CLxUser_ChannelRead &r, CLxUser_ChannelWrite &w, const LXtMatrix m3, unsigned type,
                         unsigned link) {
        return m_loc->SetRotation(r, w, m3, type, link);
    }
    LxResult SetScale(CLxUser_ChannelRead &r, CLxUser_ChannelWrite &w, const LXtMatrix4 m4, unsigned type,
                      unsigned link) {
        return m_loc->SetScale(r, w, m4, type, link);
    }
};

class CLxUser_SceneService : public CLxLocServiceT<ILxSceneService> {
public:
    /// Item type code by name, or -1 when the host has no such type.
    LXtItemType ItemType(const char *name);
    LxResult ItemTypeLookup(const char *name, LXtItemType *type) { return m_loc->ItemTypeLookup(name, type); }
};
