#include "tasks/format_selection.h"

#include "profiles/output_catalogue.h"

void SelectFormat(MainView& view, int index) {
    SelectOutputFormat(OutputSettings, index);
    const std::string label = view.CurrentFormatText();
    for (int row = 0; row < view.RowCount(); ++row) {
        view.SetRowText(row, ColumnFormat, label);
    }
}
