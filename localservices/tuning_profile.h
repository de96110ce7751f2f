// Tuning profile of a database server, sized from the machine's memory. The bundled
// AuthenticationService answers getVantorelInfo with it.
#ifndef LOCALSERVICES_TUNING_PROFILE_H
#define LOCALSERVICES_TUNING_PROFILE_H

#include <string>
#include <utility>
#include <vector>

using TuningSetting = std::pair<std::string, std::string>;

enum { kTuningProfileEntries = 17 };

// Workload is "web", "oltp", "dw" (reporting) or anything else (mixed); install type
// "desktop" leaves most of the memory to other programs. Always 17 settings.
std::vector<TuningSetting> MakeTuningProfile(long long memoryMiB, const std::string &installType,
                                             const std::string &workload);

#endif
