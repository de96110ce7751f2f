// The sample tuning profile the bundled AuthenticationService answers getVantorelInfo with:
// database server settings sized from the machine's memory.
#ifndef LOCALSERVICES_SAMPLE_PROFILE_H
#define LOCALSERVICES_SAMPLE_PROFILE_H

#include <string>
#include <utility>
#include <vector>

using ProfileSetting = std::pair<std::string, std::string>;

enum { kSampleProfileEntries = 17 };

// Workload is "web", "oltp", "dw" (reporting) or anything else (mixed); install type
// "desktop" leaves most of the memory to other programs. Always 17 settings.
std::vector<ProfileSetting> MakeSampleProfile(long long memoryMiB, const std::string &installType,
                                              const std::string &workload);

#endif
