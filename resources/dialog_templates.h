// Dialog templates as data: each dialog's size, font and controls, with the
// rectangles in dialog units. ui/ builds its Qt dialogs from these tables.
#pragma once

#include <span>

enum class ControlKind {
    PushButton,    // ordinary push button
    SkinnedButton, // push button that the skin draws from bitmaps
    StaticText,
    Picture,       // static showing a bitmap (text holds nothing)
    ListView,      // report-style list
    DropDownCombo, // combo box with an edit field
    DropDownList,  // combo box that only offers its list, nothing to type
    ReadOnlyEdit,  // one-line edit field that shows a text and takes none
    Edit,          // one-line edit field that takes a text
    ProgressBar,   // range 0 to 100
    CheckBox,      // automatic check box
    GroupFrame,
    Slider, // horizontal track bar
};

// Style bits beyond the kind.
enum ControlStyle : unsigned {
    StyleNone = 0,
    StyleSorted = 1u << 0,         // combo list kept sorted
    StyleVerticalScroll = 1u << 1, // combo list with a vertical scroll bar
    StyleBorder = 1u << 2,         // single border
    StyleDefaultButton = 1u << 3,
};

struct ControlRect {
    int x;
    int y;
    int width;
    int height;
};

struct ControlTemplate {
    int id; // ids::kStatic for controls without one
    ControlKind kind;
    const char* text;
    ControlRect rect; // dialog units
    unsigned style;
    bool visible;
    bool enabled;
};

struct DialogTemplate {
    int id;
    const char* title;
    int width; // dialog units
    int height;
    const char* fontName;
    int pointSize;
    std::span<const ControlTemplate> controls;
};

// The template with that id, or null.
const DialogTemplate* FindDialogTemplate(int id);
