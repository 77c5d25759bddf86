// Included first by every host header: module code must reach the host only through the SDK.
#pragma once
#ifdef GORVA_MODULE_BUILD
#error "module code must not include host headers"
#endif
