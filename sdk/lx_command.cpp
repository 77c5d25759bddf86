#include "lx_command.hpp"

bool CLxUser_Command::SetArgString(unsigned index, const char *text) {
    CLxUser_Attributes args;
    return args.set(static_cast<ILxUnknownID>(m_loc)) && LXx_OK(args.SetString(index, text));
}

bool CLxUser_CommandService::NewCommand(CLxUser_Command &cmd, const char *name) {
    void *p = nullptr;
    cmd.clear();
    return test() && LXx_OK(m_loc->Spawn(name, &p)) && cmd.take(p);
}

CLxUser_Message &CLxBasicCommand::basic_Message() {
    if (!m_message.test()) {
        CLxUser_MessageService svc;
        svc.NewMessage(m_message);
    }
    return m_message;
}

LxResult CLxBasicCommand::cmd_Flags(unsigned *flags) {
    *flags = unsigned(basic_CmdFlags());
    return LXe_OK;
}

LxResult CLxBasicCommand::cmd_Enable(ILxUnknownID msg) {
    CLxUser_Message message;
    message.set(msg);
    return basic_Enable(message) ? LXe_OK : LXe_CMD_DISABLED;
}

LxResult CLxBasicCommand::cmd_Message(void **ppvObj) {
    CLxUser_Message &msg = basic_Message();
    if (!msg.test()) return LXe_NOTAVAILABLE;
    return msg.loc()->QueryInterface(ILxMessage::IID, ppvObj);
}
