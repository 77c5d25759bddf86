// The platform service (the application's version and build) and the process's global object,
// through which a module reaches every service and the SDK's GUID and thread services.
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "host/bridge/services.hpp"

namespace gorva::host {

namespace {

class PlatformServiceObj final : public IfcPlatformService {
public:
    LxResult AppName(const char **name) override {
        *name = "modo";
        return LXe_OK;
    }
    LxResult AppVersion(int *v) override {
        *v = CurrentHost().version;
        return LXe_OK;
    }
    LxResult AppBuild(int *build) override {
        *build = 70287;
        return LXe_OK;
    }
    LxResult IsHeadless() override { return LXe_TRUE; }
};

class ThreadMutexObj final : public IfcThreadMutex {
public:
    void Enter() override { m_mutex.lock(); }
    void Leave() override { m_mutex.unlock(); }

private:
    std::recursive_mutex m_mutex;
};

/// The object handed to a module as its context. A module caches the services it finds through
/// it for the life of the load, so every service serves the host installed last, not the host
/// that happened to be current when the module first asked.
class GlobalObj final : public IfcGUIDService, public IfcThreadService {
public:
    LxResult Query(const LXtGUID *iid, void **ppvObj) override {
        if (!iid || !ppvObj) return LXe_INVALIDARG;
        if (Interface(*iid)) return ComBase::Query(iid, ppvObj);
        LXtObjectID svc = NewService(*iid);
        if (!svc) {
            *ppvObj = nullptr;
            return LXe_NOTFOUND;
        }
        LXtObjectID ifc = ObjQuery(svc, *iid);
        ObjRelease(svc);
        *ppvObj = ifc;
        return ifc ? LXe_OK : LXe_NOINTERFACE;
    }
    const LXtGUID *Translate(const char *text) override {
        if (!text) return nullptr;
        std::lock_guard<std::mutex> lock(m_mutex);
        auto &slot = m_byName[text];
        if (!slot) {
            LXtGUID g = GuidFromString(text);
            if (SameGuid(g, LXtGUID{})) {
                m_byName.erase(text);
                return nullptr;
            }
            slot = Intern(g);
        }
        return slot;
    }
    const LXtGUID *Fixed(const LXtGUID *guid) override { return guid ? Intern(*guid) : nullptr; }
    int Compare(const LXtGUID *a, const LXtGUID *b) override {
        if (!a || !b) return a == b ? 0 : (a ? 1 : -1);
        return std::memcmp(a, b, sizeof(LXtGUID));
    }
    LxResult CreateMutex(void **ppvObj) override { return HandOut(new ThreadMutexObj, ppvObj); }
    LxResult CreateCS(void **ppvObj) override { return HandOut(new ThreadMutexObj, ppvObj); }

private:
    struct Less {
        bool operator()(const LXtGUID &a, const LXtGUID &b) const {
            return std::memcmp(&a, &b, sizeof(LXtGUID)) < 0;
        }
    };
    const LXtGUID *Intern(const LXtGUID &g) {
        auto &slot = m_fixed[g];
        if (!slot) slot = std::make_unique<LXtGUID>(g);
        return slot.get();
    }
    std::mutex m_mutex;
    std::map<std::string, const LXtGUID *> m_byName;
    std::map<LXtGUID, std::unique_ptr<LXtGUID>, Less> m_fixed;
};

}  // namespace

LXtObjectID NewPlatformService() {
    return (new PlatformServiceObj)->Hand();
}

LXtObjectID GlobalObject() {
    // Lives as long as the process: loaded modules keep it and the services found through it.
    static GlobalObj *global = new GlobalObj;
    global->AddRef();
    return global->Hand();
}

}  // namespace gorva::host
