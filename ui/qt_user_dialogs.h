// Message boxes and the file and folder choosers, as Qt shows them.
#pragma once

#include "tasks/services.h"

class QWidget;

class QtUserDialogs : public UserDialogs {
public:
    // Message boxes are owned by this window once it exists; the choosers
    // before it exists have no owner.
    void SetOwner(QWidget* owner) { m_owner = owner; }

    void ShowMessage(const std::string& text, MessageIcon icon) override;
    std::optional<std::vector<std::string>>
    ChooseFilesToAdd(const std::vector<std::string>& filters) override;
    std::optional<std::string> ChooseFolder(const std::string& title) override;

private:
    QWidget* m_owner = nullptr;
};
