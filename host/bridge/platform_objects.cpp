// The platform (the application version) and the wall clock plug-ins read.
#include "host/bridge/services.hpp"
#include "lx_clock.hpp"

namespace gorva::host {

namespace {

class PlatformServiceObj final : public HostObject<PlatformServiceObj, ILxPlatformService> {
public:
    explicit PlatformServiceObj(Host &h) : m_host(h) {}
    LxResult AppVersion(int *v) override {
        *v = m_host.version;
        return LXe_OK;
    }

private:
    Host &m_host;
};

class ClockServiceObj final : public HostObject<ClockServiceObj, ILxClockService> {
public:
    explicit ClockServiceObj(Host &h) : m_host(h) {}
    LxResult Seconds(double *seconds) override {
        *seconds = m_host.clock.Now();
        return LXe_OK;
    }

private:
    Host &m_host;
};

}  // namespace

ILxUnknownID NewPlatformService(Host &host) {
    return static_cast<ILxPlatformService *>(new PlatformServiceObj(host));
}

ILxUnknownID NewClockService(Host &host) {
    return static_cast<ILxClockService *>(new ClockServiceObj(host));
}

}  // namespace gorva::host
