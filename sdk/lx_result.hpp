// Result codes shared by the host and its plug-ins.
#pragma once

typedef unsigned LxResult;

#define LXe_OK 0x00000000u
#define LXe_FALSE 0x00000001u
#define LXe_TRUE 0x00000000u
#define LXe_FAILED 0x80000000u
#define LXe_NOTIMPL 0x80000001u
#define LXe_OUTOFMEMORY 0x80000002u
#define LXe_INVALIDARG 0x80000003u
#define LXe_NOINTERFACE 0x80000004u
#define LXe_NOTFOUND 0x80000005u
#define LXe_OUTOFBOUNDS 0x80000006u
#define LXe_ABORT 0x80000007u
#define LXe_DISABLED 0x80000019u
#define LXe_NOTAVAILABLE 0x8000001Au
// Message code a tool reports with a failed enable chain or a modal warning.
#define LXe_CMD_DISABLED 0x84800004u

#define LXx_OK(r) (((r)&0x80000000u) == 0)
#define LXx_FAIL(r) (((r)&0x80000000u) != 0)
