// The File Information dialog: the facts of one task, read-only.
#pragma once

#include "tasks/file_info_texts.h"

#include <QDialog>
#include <string>

class CFileInfomation : public QDialog {
    Q_OBJECT
public:
    explicit CFileInfomation(const FileInfoTexts& facts, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ShowText(int controlId, const std::string& text);
};
