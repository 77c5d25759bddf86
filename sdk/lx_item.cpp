#include "lx_item.hpp"

bool CLxUser_ChannelRead::from(CLxUser_Item &item, double time) {
    CLxUser_Scene scene;
    clear();
    return item.test() && item.GetContext(scene) && scene.GetChannels(*this, time);
}

double CLxUser_ChannelRead::FValue(CLxUser_Item &item, const char *channel, double fallback) {
    int index = item.ChannelIndex(channel);
    double value = fallback;
    if (index < 0 || LXx_FAIL(m_loc->Double(item, unsigned(index), &value))) return fallback;
    return value;
}

bool CLxUser_ChannelRead::Object(CLxUser_Item &item, const char *channel, CLxUser_Matrix &obj) {
    obj.clear();
    int index = item.ChannelIndex(channel);
    void *p = nullptr;
    if (index < 0 || LXx_FAIL(m_loc->ValueObj(item, unsigned(index), &p))) return false;
    return obj.take(p);
}

bool CLxUser_ChannelWrite::Set(CLxUser_Item &item, const char *channel, double value) {
    int index = item.ChannelIndex(channel);
    return index >= 0 && LXx_OK(m_loc->Double(item, unsigned(index), value));
}

LXtItemType CLxUser_Item::Type() {
    LXtItemType type = -1;
    return LXx_OK(m_loc->Type(&type)) ? type : -1;
}

std::string CLxUser_Item::GetIdentity() {
    const char *ident = nullptr;
    if (LXx_FAIL(m_loc->Ident(&ident)) || !ident) return std::string();
    return ident;
}

bool CLxUser_Item::GetUniqueName(std::string &name) {
    const char *text = nullptr;
    if (LXx_FAIL(m_loc->Name(&text)) || !text) return false;
    name = text;
    return true;
}

bool CLxUser_Item::GetParent(CLxUser_Item &parent) {
    void *p = nullptr;
    parent.clear();
    return LXx_OK(m_loc->Parent(&p)) && parent.take(p);
}

bool CLxUser_Item::SubByIndex(unsigned i, CLxUser_Item &sub) {
    void *p = nullptr;
    sub.clear();
    return LXx_OK(m_loc->SubByIndex(i, &p)) && sub.take(p);
}

int CLxUser_Item::ChannelIndex(const char *name) {
    unsigned index = 0;
    return LXx_OK(m_loc->ChannelLookup(name, &index)) ? int(index) : -1;
}

bool CLxUser_Item::GetContext(CLxUser_Scene &scene) {
    void *p = nullptr;
    scene.clear();
    return LXx_OK(m_loc->Context(&p)) && scene.take(p);
}

bool CLxUser_Scene::ItemByIndex(LXtItemType type, unsigned i, CLxUser_Item &item) {
    void *p = nullptr;
    item.clear();
    return LXx_OK(m_loc->ItemByIndex(type, i, &p)) && item.take(p);
}

bool CLxUser_Scene::ItemLookup(const char *ident, CLxUser_Item &item) {
    void *p = nullptr;
    item.clear();
    return LXx_OK(m_loc->ItemLookup(ident, &p)) && item.take(p);
}

bool CLxUser_Scene::NewItem(LXtItemType type, CLxUser_Item &item) {
    void *p = nullptr;
    item.clear();
    return LXx_OK(m_loc->ItemAdd(type, &p)) && item.take(p);
}

bool CLxUser_Scene::ItemInstance(CLxUser_Item &source, CLxUser_Item &instance) {
    void *p = nullptr;
    instance.clear();
    return LXx_OK(m_loc->ItemInstance(source, &p)) && instance.take(p);
}

bool CLxUser_Scene::GetChannels(CLxUser_ChannelRead &read, double time) {
    void *p = nullptr;
    read.clear();
    return LXx_OK(m_loc->GetChannels(time, &p)) && read.take(p);
}

bool CLxUser_Scene::SetChannels(CLxUser_ChannelWrite &write, const char *action, double time) {
    void *p = nullptr;
    write.clear();
    return LXx_OK(m_loc->SetChannels(action, time, &p)) && write.take(p);
}

LXtItemType CLxUser_SceneService::ItemType(const char *name) {
    LXtItemType type = -1;
    return LXx_OK(m_loc->ItemTypeLookup(name, &type)) ? type : -1;
}
