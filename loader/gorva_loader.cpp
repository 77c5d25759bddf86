// gorva_loader: loads gORVA_801.dll as the application does (LoadLibrary, the SDK's entry point),
// hands it a context of its own and checks the server table the module registers. Exit status 0
// when every server is there in order with its interface, 1 on a wrong table, 2 when the module
// cannot be loaded or entered.
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <lxcom.h>
#include <lxcommand.h>
#include <lxserver.h>
#include <lxthread.h>
#include <lxtool.h>

namespace {

/// One expected server: its name and the interface it is spawned through.
struct ExpectedServer {
    const char *name;
    const char *interfaceName;
    const char *guid;
};

/// The server table: the tools, then the commands, in the order the module registers them.
constexpr ExpectedServer kServerTable[] = {
    {"gORVA.Arch", "ILxTool", LXu_TOOL},
    {"gORVA.BBox", "ILxTool", LXu_TOOL},
    {"gORVA.ComponentAlignAToB", "ILxTool", LXu_TOOL},
    {"gORVA.MeshAlignAToB", "ILxTool", LXu_TOOL},
    {"gORVA.Scale", "ILxTool", LXu_TOOL},
    {"gORVA.Sweeper", "ILxTool", LXu_TOOL},
    {"gORVA.Cmd.AddLightAtPolyPos", "ILxCommand", LXu_COMMAND},
    {"gORVA.Cmd.SelectbyHeight", "ILxCommand", LXu_COMMAND},
    {"gORVA.Cmd.SelectbyNormal", "ILxCommand", LXu_COMMAND},
    {"gORVA.Cmd.SelectEdgesbyAlignment", "ILxCommand", LXu_COMMAND},
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

/// Parses "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" (either case); false on anything else.
bool ParseGuid(const char *text, LXtGUID &guid) {
    unsigned char bytes[16];
    int count = 0, high = -1;
    for (const char *p = text ? text : ""; *p; ++p) {
        if (*p == '-') continue;
        const int digit = HexDigit(*p);
        if (digit < 0 || count == 16) return false;
        if (high < 0) {
            high = digit;
            continue;
        }
        bytes[count++] = static_cast<unsigned char>(high << 4 | digit);
        high = -1;
    }
    if (count != 16 || high >= 0) return false;
    guid.x4 = unsigned(bytes[0]) << 24 | unsigned(bytes[1]) << 16 | unsigned(bytes[2]) << 8 | bytes[3];
    guid.x2[0] = static_cast<unsigned short>(bytes[4] << 8 | bytes[5]);
    guid.x2[1] = static_cast<unsigned short>(bytes[6] << 8 | bytes[7]);
    std::memcpy(guid.x1, bytes + 8, 8);
    return true;
}

bool SameGuid(const LXtGUID &a, const LXtGUID &b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

LXtGUID GuidOf(const char *text) {
    LXtGUID guid{};
    ParseGuid(text, guid);
    return guid;
}

/// The GUIDs the module asks for, kept at fixed addresses for the life of the process.
class GuidTable {
public:
    const LXtGUID *Intern(const LXtGUID &guid) {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto &known : m_guids)
            if (SameGuid(*known, guid)) return known.get();
        m_guids.push_back(std::make_unique<LXtGUID>(guid));
        return m_guids.back().get();
    }

private:
    std::mutex m_mutex;
    std::vector<std::unique_ptr<LXtGUID>> m_guids;
};

GuidTable g_guids;

// ---- the objects the module reaches: each starts with its vtable pointer, as a COM object does.

LxResult NoInterface(LXtObjectID, const LXtGUID *, void **ppvObj) {
    if (ppvObj) *ppvObj = nullptr;
    return LXe_NOINTERFACE;
}
unsigned NoCount(LXtObjectID) {
    return 1;  // the loader's objects live as long as the process
}

struct MutexObj {
    const ILxThreadMutex *vtable;
    std::recursive_mutex mutex;
};

void MutexEnter(LXtObjectID self) {
    static_cast<MutexObj *>(self)->mutex.lock();
}
void MutexLeave(LXtObjectID self) {
    static_cast<MutexObj *>(self)->mutex.unlock();
}
unsigned MutexRelease(LXtObjectID self) {
    delete static_cast<MutexObj *>(self);
    return 0;
}

const ILxThreadMutex kMutexVtable = {{NoInterface, NoCount, MutexRelease}, MutexEnter, MutexLeave};

LxResult NewMutex(LXtObjectID, void **ppvObj) {
    if (!ppvObj) return LXe_INVALIDARG;
    *ppvObj = new MutexObj{&kMutexVtable, {}};
    return LXe_OK;
}
LxResult NotServed(LXtObjectID, void **ppvObj) {
    if (ppvObj) *ppvObj = nullptr;
    return LXe_NOTIMPL;
}
unsigned ProcessorCount(LXtObjectID) {
    return 1;
}
unsigned OnMainThread(LXtObjectID) {
    return 1;
}

ILxThreadService MakeThreadVtable() {
    ILxThreadService vt{};
    vt.iunk = {NoInterface, NoCount, NoCount};
    vt.CreateMutex = NewMutex;
    vt.CreateCS = NewMutex;
    vt.CreateGroup = NotServed;
    vt.NumProcs = ProcessorCount;
    vt.IsMainThread = OnMainThread;
    return vt;
}
const ILxThreadService kThreadVtable = MakeThreadVtable();
const ILxThreadService *g_threadService = &kThreadVtable;

const LXtGUID *Translate(LXtObjectID, const char *text) {
    LXtGUID guid{};
    return ParseGuid(text, guid) ? g_guids.Intern(guid) : nullptr;
}
const LXtGUID *Fixed(LXtObjectID, const LXtGUID *guid) {
    return guid ? g_guids.Intern(*guid) : nullptr;
}
int Compare(LXtObjectID, const LXtGUID *a, const LXtGUID *b) {
    if (!a || !b) return a == b ? 0 : (a ? 1 : -1);
    return std::memcmp(a, b, sizeof(LXtGUID));
}
const char *NoName(LXtObjectID, const LXtGUID *) {
    return nullptr;
}
const LXtGUID *NoClass(LXtObjectID, const LXtGUID *) {
    return nullptr;
}

const ILxGUIDService kGuidVtable = {
    {NoInterface, NoCount, NoCount}, Translate, NoName, Compare, Fixed, NoClass, NoName};
const ILxGUIDService *g_guidService = &kGuidVtable;

/// The module's context: the GUID and thread services the SDK's common library needs to register
/// servers and cache globals. Any other service is not served.
LxResult GlobalQuery(LXtObjectID, const LXtGUID *iid, void **ppvObj) {
    if (!iid || !ppvObj) return LXe_INVALIDARG;
    if (SameGuid(*iid, GuidOf(LXu_GUIDSERVICE))) {
        *ppvObj = &g_guidService;
        return LXe_OK;
    }
    if (SameGuid(*iid, GuidOf(LXu_THREADSERVICE))) {
        *ppvObj = &g_threadService;
        return LXe_OK;
    }
    *ppvObj = nullptr;
    return LXe_NOTFOUND;
}

const ILxUnknown kGlobalVtable = {GlobalQuery, NoCount, NoCount};
const ILxUnknown *g_global = &kGlobalVtable;

// ---- calling the module

template <typename Vtable>
const Vtable *VtableOf(LXtObjectID object) {
    return *static_cast<const Vtable *const *>(object);
}

LXtObjectID Query(LXtObjectID object, const char *guidText) {
    const LXtGUID guid = GuidOf(guidText);
    void *found = nullptr;
    if (LXx_FAIL(VtableOf<ILxUnknown>(object)->QueryInterface(object, &guid, &found))) return nullptr;
    return found;
}

void Release(LXtObjectID object) {
    if (object) VtableOf<ILxUnknown>(object)->Release(object);
}

/// Compares the module's server table with the expected one; prints each row, returns the faults.
int CheckServerTable(LXtObjectID module) {
    LXtObjectID tags = Query(module, LXu_TAGDESCRIPTION);
    if (!tags) {
        std::printf("FAIL the module has no ILxTagDescription\n");
        return 1;
    }
    const ILxTagDescription *vt = VtableOf<ILxTagDescription>(tags);
    const unsigned count = vt->Count(tags);
    const unsigned expected = sizeof kServerTable / sizeof kServerTable[0];
    int faults = count == expected ? 0 : 1;
    if (faults) std::printf("FAIL %u servers registered, %u expected\n", count, expected);
    for (unsigned i = 0; i < count && i < expected; ++i) {
        LXtTagInfoDesc desc{};
        const ExpectedServer &want = kServerTable[i];
        const bool described = LXx_OK(vt->Describe(tags, i, &desc)) && desc.type && desc.info && desc.guid;
        const bool ok = described && std::strcmp(desc.type, LXsMOD_SERVER) == 0 &&
                        std::strcmp(desc.info, want.name) == 0 && SameGuid(*desc.guid, GuidOf(want.guid));
        std::printf("%s %u %s %s\n", ok ? "ok  " : "FAIL", i + 1, described ? desc.info : "(no description)",
                    want.interfaceName);
        if (!ok) ++faults;
    }
    Release(tags);
    return faults;
}

/// A name the module does not serve must be refused, not spawned.
int CheckUnknownRefused(LXtObjectID module) {
    const LXtGUID tool = GuidOf(LXu_TOOL);
    void *spawned = nullptr;
    const LxResult result =
        VtableOf<ILxModule>(module)->Generate(module, "gORVA.NoSuchServer", &tool, &spawned);
    if (LXx_FAIL(result) && !spawned) return 0;
    std::printf("FAIL an unknown server name was spawned\n");
    return 1;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gorva_loader PATH\\gORVA_801.dll\n");
        return 2;
    }
    HMODULE library = LoadLibraryA(argv[1]);
    if (!library) {
        std::fprintf(stderr, "cannot load %s: error %lu\n", argv[1], GetLastError());
        return 2;
    }
    using Entry = LXtObjectID (*)();
    auto entry =
        reinterpret_cast<Entry>(reinterpret_cast<void *>(GetProcAddress(library, "_ILxModule_Create")));
    LXtObjectID module = entry ? entry() : nullptr;
    if (!module) {
        std::fprintf(stderr, "%s: no usable _ILxModule_Create entry point\n", argv[1]);
        return 2;
    }
    if (LXtObjectID context = Query(module, LXu_NEEDCONTEXT)) {
        VtableOf<ILxNeedContext>(context)->SetContext(context, &g_global);
        Release(context);
    }
    const int faults = CheckServerTable(module) + CheckUnknownRefused(module);
    // Releasing the module frees its globals; unloading then runs its static destructors.
    Release(module);
    FreeLibrary(library);
    std::printf("%s: %d fault(s)\n", faults ? "FAIL" : "ok", faults);
    return faults ? 1 : 0;
}
