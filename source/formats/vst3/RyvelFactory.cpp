// SPDX-License-Identifier: GPL-3.0-or-later
// The module's class factory: the one file that knows both the processor and the controller.

#include "formats/vst3/ClassIds.h"
#include "formats/vst3/HostBoundary.h"
#include "formats/vst3/RyvelController.h"
#include "formats/vst3/RyvelProcessor.h"

#include "public.sdk/source/main/pluginfactory.h"

#include <mutex>
#include <new>
#include <string>

using namespace Steinberg;

namespace
{

// The module-wide factory. Cleared when the host releases its last reference, so a later
// GetPluginFactory builds a fresh one instead of handing out freed memory.
CPluginFactory* moduleFactory = nullptr;
std::mutex moduleFactoryMutex;

class RyvelFactory final : public CPluginFactory
{
public:
    using CPluginFactory::CPluginFactory;
    ~RyvelFactory() override
    {
        if (moduleFactory == this)
            moduleFactory = nullptr;
    }

    // Constructing an instance runs our constructors and the SDK bases' (which allocate).
    tresult PLUGIN_API createInstance(FIDString cid, FIDString iid, void** obj) override
    {
        const tresult result = Ryvel::guardHostCall(
            "createInstance", [&] { return CPluginFactory::createInstance(cid, iid, obj); });
        if (result == kInternalError && obj != nullptr)
            *obj = nullptr;
        return result;
    }
};

struct ClassTuid
{
    TUID bytes;
    explicit ClassTuid(const Ryvel::Product::ClassId& id)
    {
        Ryvel::Product::toFuid(id).toTUID(bytes);
    }
};

const std::string kVersion(Ryvel::Product::kVersion);
const std::string kSdkVersion(Ryvel::Product::kSdkVersionText);

PClassInfo2 processorClassInfo()
{
    return PClassInfo2(ClassTuid(Ryvel::Product::kProcessorId).bytes, PClassInfo::kManyInstances,
                       kVstAudioEffectClass, std::string(Ryvel::Product::kName).c_str(),
                       Vst::kDistributable, std::string(Ryvel::Product::kSubCategories).c_str(),
                       nullptr, kVersion.c_str(), kSdkVersion.c_str());
}

PClassInfo2 controllerClassInfo()
{
    return PClassInfo2(ClassTuid(Ryvel::Product::kControllerId).bytes, PClassInfo::kManyInstances,
                       kVstComponentControllerClass, "RyvelController", 0, "", nullptr,
                       kVersion.c_str(), kSdkVersion.c_str());
}

CPluginFactory* createFactory()
{
    const std::string vendor(Ryvel::Product::kVendor);
    const std::string url(Ryvel::Product::kVendorUrl);
    const std::string email(Ryvel::Product::kSupportEmail);
    static const PFactoryInfo info(vendor.c_str(), url.c_str(), email.c_str(),
                                   PFactoryInfo::kUnicode);
    static const PClassInfo2 processorInfo = processorClassInfo();
    static const PClassInfo2 controllerInfo = controllerClassInfo();

    auto* factory = new RyvelFactory(info);
    factory->registerClass(&processorInfo, Ryvel::RyvelProcessor::createInstance);
    factory->registerClass(&controllerInfo, Ryvel::RyvelController::createInstance);
    return factory;
}

} // namespace

extern "C" SMTG_EXPORT_SYMBOL IPluginFactory* PLUGIN_API GetPluginFactory()
{
    return Ryvel::guardHostCall("GetPluginFactory", static_cast<IPluginFactory*>(nullptr),
                                []() -> IPluginFactory*
                                {
                                    std::lock_guard<std::mutex> lock(moduleFactoryMutex);
                                    if (moduleFactory == nullptr)
                                        moduleFactory = createFactory();
                                    else
                                        moduleFactory->addRef();
                                    return moduleFactory;
                                });
}
