// Checks of loading: the module loads and unloads, its exports are its own,
// and it reports the version and name the host expects.
#pragma once

#include "tools/study-host/validate/check_context.h"
#include "tools/study-host/validate/check_result.h"

CheckResult CheckModuleLoads(const CheckContext& context);
CheckResult CheckLoadsAlone(const CheckContext& context);
CheckResult CheckExportsResolve(const CheckContext& context);
CheckResult CheckOnlyItsExports(const CheckContext& context);
CheckResult CheckInterfaceVersion(const CheckContext& context);
CheckResult CheckModuleName(const CheckContext& context);
