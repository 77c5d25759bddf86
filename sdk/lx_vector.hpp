// Tool vectors: a tool names the packets it wants in a vector type; the host hands it a vector
// stack holding those packets at the offsets the packet service assigns.
#pragma once

#include <string>

#include "lx_com.hpp"

/// Packet category of tool vectors.
#define LXsCATEGORY_TOOL "tool"

/// Vector-type packet flags: the tool writes the packet, reads it, or can do without it.
#define LXfVT_SET 1u
#define LXfVT_GET 2u
#define LXfVT_OPTIONAL 4u

/// The list of packets a tool asked for, with their flags, in the order added.
class ILxVectorType : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxVectorType";
    virtual LxResult Category(const char **category) = 0;
    virtual LxResult Count(unsigned *count) = 0;
    virtual LxResult ByIndex(unsigned index, const char **name, unsigned *flags) = 0;

protected:
    ~ILxVectorType() = default;
};

class ILxPacketService : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxPacketService";
    /// An empty vector type of the category.
    virtual LxResult NewVectorType(const char *category, void **ppvObj) = 0;
    /// Adds a packet by name; LXe_NOTFOUND when the host knows no such packet.
    virtual LxResult AddPacket(ILxUnknownID vectorType, const char *name, unsigned flags) = 0;
    /// Offset of a packet in vectors of the category; LXe_NOTFOUND for unknown names.
    virtual LxResult Lookup(const char *category, const char *name, unsigned *offset) = 0;

protected:
    ~ILxPacketService() = default;
};

/// The packets of one tool event. Plain packets are read as pointers to their structs; packets
/// that are objects (event translation) are read through ReadObject.
class ILxVectorStack : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxVectorStack";
    /// The packet at the offset, or LXe_NOTFOUND when the vector does not hold it.
    virtual LxResult Readable(unsigned offset, void **packet) = 0;
    /// The object packet at the offset, with a reference.
    virtual LxResult ReadableObject(unsigned offset, void **ppvObj) = 0;

protected:
    ~ILxVectorStack() = default;
};

class CLxUser_VectorType : public CLxLocT<ILxVectorType> {
public:
    unsigned Count();
    /// Name of packet `index`, empty when out of range.
    std::string Name(unsigned index);
    unsigned Flags(unsigned index);
};

class CLxUser_PacketService : public CLxLocServiceT<ILxPacketService> {
public:
    bool NewVectorType(const char *category, CLxUser_VectorType &vectorType);
    LxResult AddPacket(ILxUnknownID vectorType, const char *name, unsigned flags) {
        return m_loc->AddPacket(vectorType, name, flags);
    }
    LxResult Lookup(const char *category, const char *name, unsigned *offset) {
        return m_loc->Lookup(category, name, offset);
    }
};

class CLxUser_VectorStack : public CLxLocT<ILxVectorStack> {
public:
    /// The packet at the offset, or null when it is absent (or the offset is the all-ones "none").
    void *Read(unsigned offset);
    /// Binds `obj` to the object packet at the offset; false when absent.
    template <class Loc>
    bool ReadObject(unsigned offset, Loc &obj) {
        void *p = nullptr;
        obj.clear();
        if (!test() || offset == ~0u || LXx_FAIL(m_loc->ReadableObject(offset, &p)) || !p) return false;
        return obj.take(p);
    }
};
