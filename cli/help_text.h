// The --help text of veltrano-convert.
#pragma once

#include <string>

std::string HelpText();
