// The help page that ships with the program: beside it in a build tree or a
// portable folder, else where an installation keeps shared files.
#pragma once

#include <string>

// The first help page that exists: `appDir`/help/index.html, then
// `appDir`/../share/veltrano/help/index.html. Empty when there is none.
std::string FindHelpPage(const std::string& appDir);

// The places FindHelpPage looks, in order (for telling the user where).
std::string HelpPageBeside(const std::string& appDir);
std::string InstalledHelpPage(const std::string& appDir);
