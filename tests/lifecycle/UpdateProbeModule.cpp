// SPDX-License-Identifier: GPL-3.0-or-later
// The update checker inside a module of its own, loaded and unloaded like the plug-in. The real
// module starts a check only from an attached editor, which needs a window; this module lets a
// test start one directly and then leave the way the plug-in's ModuleExit does.

#include "platform/UpdateChecker.h"
#include "platform/linux/HttpsGetLinux.h"

#include <memory>
#include <string>

namespace
{
std::unique_ptr<Ryvel::UpdateChecker> checker;
}

// Starts a check of https://<host> trusting only the PEM file `caFile`.
extern "C" __attribute__((visibility("default"))) void ryvelProbeStartCheck(const char* host,
                                                                            const char* caFile)
{
    checker = std::make_unique<Ryvel::UpdateChecker>(
        "1.0.4", host,
        [ca = std::string(caFile)](const std::string& h, const std::string& path,
                                   std::int32_t timeoutMs)
        { return Ryvel::httpsGetTrusting(h, path, timeoutMs, ca); });
}

extern "C" __attribute__((visibility("default"))) bool ryvelProbeIsDone()
{
    return checker == nullptr || checker->isDone();
}

// What closing the editor and then ModuleExit do: drop the checker, abort and wait for workers.
extern "C" __attribute__((visibility("default"))) bool ryvelProbeExit()
{
    checker.reset();
    return Ryvel::UpdateChecker::abortAllAndWait();
}
