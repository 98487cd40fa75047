// SPDX-License-Identifier: GPL-3.0-or-later
#include "public.sdk/source/main/pluginfactory.h"

#include "pluginterfaces/base/funknown.h"

#include <cstring>
#include <new>

namespace Steinberg
{

CPluginFactory::CPluginFactory(const PFactoryInfo& info)
    : factoryInfo(info){FUNKNOWN_CTOR}

      CPluginFactory::~CPluginFactory(){FUNKNOWN_DTOR}

      IMPLEMENT_REFCOUNT(CPluginFactory)

          tresult PLUGIN_API CPluginFactory::queryInterface(const TUID _iid, void** obj)
{
    QUERY_INTERFACE(_iid, obj, IPluginFactory::iid, IPluginFactory)
    QUERY_INTERFACE(_iid, obj, IPluginFactory2::iid, IPluginFactory2)
    QUERY_INTERFACE(_iid, obj, IPluginFactory3::iid, IPluginFactory3)
    QUERY_INTERFACE(_iid, obj, FUnknown::iid, IPluginFactory)
    *obj = nullptr;
    return kNoInterface;
}

bool CPluginFactory::registerClass(const PClassInfo2* info, CreateFunction createFunc,
                                   void* context)
{
    if (info == nullptr || createFunc == nullptr)
        return false;
    try
    {
        classes.push_back(ClassEntry{*info, createFunc, context});
    }
    catch (const std::bad_alloc&)
    {
        return false;
    }
    return true;
}

bool CPluginFactory::isClassRegistered(const FUID& cid) const
{
    for (const ClassEntry& entry : classes)
        if (FUnknownPrivate::iidEqual(cid, entry.info.cid))
            return true;
    return false;
}

tresult PLUGIN_API CPluginFactory::getFactoryInfo(PFactoryInfo* info)
{
    if (info == nullptr)
        return kInvalidArgument;
    std::memcpy(info, &factoryInfo, sizeof(PFactoryInfo));
    return kResultOk;
}

int32 PLUGIN_API CPluginFactory::countClasses()
{
    return static_cast<int32>(classes.size());
}

tresult PLUGIN_API CPluginFactory::getClassInfo(int32 index, PClassInfo* info)
{
    if (info == nullptr)
        return kInvalidArgument;
    if (index < 0 || index >= countClasses())
        return kInvalidArgument;
    const PClassInfo2& src = classes[static_cast<size_t>(index)].info;
    *info = PClassInfo();
    std::memcpy(info->cid, src.cid, sizeof(TUID));
    info->cardinality = src.cardinality;
    std::memcpy(info->category, src.category, sizeof(info->category));
    std::memcpy(info->name, src.name, sizeof(info->name));
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfo2(int32 index, PClassInfo2* info)
{
    if (info == nullptr)
        return kInvalidArgument;
    if (index < 0 || index >= countClasses())
        return kInvalidArgument;
    std::memcpy(info, &classes[static_cast<size_t>(index)].info, sizeof(PClassInfo2));
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfoUnicode(int32 index, PClassInfoW* info)
{
    if (info == nullptr)
        return kInvalidArgument;
    if (index < 0 || index >= countClasses())
        return kInvalidArgument;
    info->fromAscii(classes[static_cast<size_t>(index)].info);
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::createInstance(FIDString cid, FIDString _iid, void** obj)
{
    if (obj == nullptr)
        return kInvalidArgument;
    *obj = nullptr;
    if (cid == nullptr || _iid == nullptr)
        return kInvalidArgument;
    for (const ClassEntry& entry : classes)
    {
        if (!FUnknownPrivate::iidEqual(cid, entry.info.cid))
            continue;
        FUnknown* instance = entry.createFunc(entry.context);
        if (instance == nullptr)
            return kOutOfMemory;
        if (instance->queryInterface(_iid, obj) != kResultOk)
        {
            *obj = nullptr;
            instance->release();
            return kNoInterface;
        }
        instance->release();
        return kResultOk;
    }
    return kNoInterface;
}

tresult PLUGIN_API CPluginFactory::setHostContext(FUnknown* /*context*/)
{
    return kNotImplemented;
}

} // namespace Steinberg
