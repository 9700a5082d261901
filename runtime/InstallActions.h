// One record of a list section each: shortcuts, associations, registry and INI
// values, environment variables and the "other" items. A failing action logs,
// reports unless silent, sets InstallErrors and returns: no action stops the run.
#pragma once
#include <string>

class TForm1;

void CreateShortcut(const std::string& record);
void CreateAssociation(TForm1& form, const std::string& record);  // only when CheckAssociate allows
void CreateRegistryValue(const std::string& record);
void WriteIniValue(const std::string& record);
void ApplyEnvironmentVariable(const std::string& record);
void ProcessOtherItem(const std::string& record);

void RegisterFont(const std::string& file, bool keep);
void RegisterActiveX(const std::string& file, bool keep);
void RegisterTypeLibrary(const std::string& file, bool keep);
void InstallScreenSaver(const std::string& file);
void SetWallpaper(const std::string& file);
