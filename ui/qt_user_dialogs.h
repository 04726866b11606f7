// Message boxes and the file and folder choosers, as Qt shows them.
#pragma once

#include "tasks/services.h"
#include "ui/qt_add_progress.h"

class QWidget;

class QtUserDialogs : public UserDialogs {
public:
    // Message boxes are owned by this window once it exists; the choosers
    // before it exists have no owner.
    void SetOwner(QWidget* owner) {
        m_owner = owner;
        m_addProgress.SetOwner(owner);
    }

    void ShowMessage(const std::string& text, MessageIcon icon) override;
    std::optional<std::vector<std::string>>
    ChooseFilesToAdd(const std::vector<std::string>& filters) override;
    std::optional<std::string> ChooseFolder(const std::string& title,
                                            const std::string& startFolder) override;
    AddProgress& AddingProgress() override { return m_addProgress; }

private:
    QWidget* m_owner = nullptr;
    QtAddProgress m_addProgress;
};
