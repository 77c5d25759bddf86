// Commands: the host's command interface, the command service, and the server-side glue with the
// SDK's basic command.
#pragma once

#include <string>

#include "lx_attributes.hpp"
#include "lx_dialog.hpp"
#include "lx_module.hpp"

#define LXfCMD_MODEL 0x02000000u
#define LXfCMD_UI 0x01000000u
#define LXfCMD_UNDO 0x04000000u
#define LXfCMD_SELECT 0x00000080u

class ILxCommand : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxCommand";
    virtual LxResult Flags(unsigned *flags) = 0;
    virtual LxResult UserName(const char **name) = 0;
    virtual LxResult ButtonName(const char **name) = 0;
    virtual LxResult Desc(const char **desc) = 0;
    /// The command's message object: after Execute its code tells success or failure.
    virtual LxResult Message(void **ppvObj) = 0;
    /// LXe_OK when the command may run; otherwise a failure with the reason in the message.
    virtual LxResult Enable(ILxUnknownID message) = 0;
    virtual LxResult Execute(unsigned flags) = 0;
    /// Appends the current values of argument `index` to the value array.
    virtual LxResult Query(unsigned index, ILxUnknownID valueArray) = 0;

protected:
    ~ILxCommand() = default;
};

class ILxCommandService : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxCommandService";
    /// A new command object by name (host commands and plug-in commands alike).
    virtual LxResult Spawn(const char *name, void **ppvObj) = 0;

protected:
    ~ILxCommandService() = default;
};

class CLxUser_Command : public CLxLocT<ILxCommand> {
public:
    LxResult Execute(unsigned flags) { return m_loc->Execute(flags); }
    LxResult Enable(ILxUnknownID msg) { return m_loc->Enable(msg); }
    LxResult Query(unsigned index, ILxUnknownID va) { return m_loc->Query(index, va); }
    /// Sets argument `index` from text; false when the command has no such argument.
    bool SetArgString(unsigned index, const char *text);
};

class CLxUser_CommandService : public CLxLocServiceT<ILxCommandService> {
public:
    bool NewCommand(CLxUser_Command &cmd, const char *name);
};

/// Server-side command implementation (`CLxImpl_Command`).
class CLxImpl_Command {
public:
    virtual ~CLxImpl_Command() = default;
    virtual LxResult cmd_Flags(unsigned *flags) { return LXe_NOTIMPL; }
    virtual LxResult cmd_UserName(const char **name) { return LXe_NOTIMPL; }
    virtual LxResult cmd_ButtonName(const char **name) { return LXe_NOTIMPL; }
    virtual LxResult cmd_Desc(const char **desc) { return LXe_NOTIMPL; }
    virtual LxResult cmd_Message(void **ppvObj) { return LXe_NOTIMPL; }
    virtual LxResult cmd_Enable(ILxUnknownID msg) { return LXe_OK; }
    virtual void cmd_Execute(unsigned flags) {}
    virtual LxResult cmd_Query(unsigned index, ILxUnknownID valueArray) { return LXe_NOTIMPL; }
};

template <class T>
class CLxIfc_Command final : public CLxInterfaceGlue<ILxCommand, CLxIfc_Command<T>> {
    T *obj() { return static_cast<T *>(this->m_obj); }

public:
    LxResult Flags(unsigned *f) override { return obj()->cmd_Flags(f); }
    LxResult UserName(const char **n) override { return obj()->cmd_UserName(n); }
    LxResult ButtonName(const char **n) override { return obj()->cmd_ButtonName(n); }
    LxResult Desc(const char **d) override { return obj()->cmd_Desc(d); }
    LxResult Message(void **p) override { return obj()->cmd_Message(p); }
    LxResult Enable(ILxUnknownID msg) override { return obj()->cmd_Enable(msg); }
    LxResult Execute(unsigned flags) override {
        obj()->cmd_Execute(flags);
        return LXe_OK;
    }
    LxResult Query(unsigned i, ILxUnknownID va) override { return obj()->cmd_Query(i, va); }
};

/// The SDK's basic command: a command whose arguments are a dynamic attribute set.
class CLxBasicCommand : public CLxImpl_Command, public CLxDynamicAttributes {
public:
    /// Command flag word (`LXfCMD_*`).
    virtual int basic_CmdFlags() { return 0; }
    /// Notifier `index`: its name and argument string; false past the last one.
    virtual bool basic_Notifier(int index, std::string &name, std::string &args) { return false; }
    /// True when the command may run; otherwise sets the message and returns false.
    virtual bool basic_Enable(CLxUser_Message &msg) { return true; }
    /// The command's own message, for reporting a failed execution.
    CLxUser_Message &basic_Message();

    LxResult cmd_Flags(unsigned *flags) override;
    LxResult cmd_Enable(ILxUnknownID msg) override;
    LxResult cmd_Message(void **ppvObj) override;

private:
    CLxUser_Message m_message;
};
