// What the task commands need from the window's output choice: the format
// combo and the Output folder combo.
#pragma once

#include <string>
#include <vector>

class OutputChoiceView {
public:
    virtual ~OutputChoiceView() = default;

    // The format combo's current item text.
    virtual std::string CurrentFormatText() const = 0;

    // The Output combo: its edit text, its list, and writing a folder into it
    // the way data exchange does (select the first list entry beginning with
    // it, ignoring case, else put it into the edit field).
    virtual std::string OutputFolderText() const = 0;
    virtual std::vector<std::string> OutputFolderEntries() const = 0;
    virtual void AddOutputFolderEntry(const std::string& folder) = 0;
    virtual void ShowOutputFolder(const std::string& folder) = 0;
};
