// The progress of adding files as the window shows it: a progress dialog
// modal to the window, with Cancel. The dialog is inspected, never shown.
#include "ui/qt_add_progress.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

TEST(QtAddProgress, FollowsTheAddAndReportsCancel) {
    QWidget window;
    QtAddProgress progress;
    progress.SetOwner(&window);
    EXPECT_FALSE(progress.Cancelled()); // no add under way

    progress.Begin(1000);
    QProgressDialog* dialog = progress.Dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->parentWidget(), &window);
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    EXPECT_EQ(dialog->labelText(), "Adding files...");
    EXPECT_EQ(dialog->maximum(), 1000);
    EXPECT_EQ(dialog->minimumDuration(), QtAddProgress::kShowAfterMs);
    EXPECT_FALSE(dialog->isVisible()); // a quick add never shows it
    const auto* cancel = dialog->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text(), "Cancel");

    progress.Step(1000);
    EXPECT_EQ(dialog->value(), 1000); // the last step keeps the full bar
    EXPECT_FALSE(progress.Cancelled());

    // An add started while this one runs has a dialog of its own; its cancel
    // is its own.
    progress.Begin(3);
    ASSERT_NE(progress.Dialog(), dialog);
    progress.Dialog()->cancel();
    EXPECT_TRUE(progress.Cancelled());
    progress.End();
    EXPECT_EQ(progress.Dialog(), dialog);
    EXPECT_FALSE(progress.Cancelled());

    dialog->cancel();
    EXPECT_TRUE(progress.Cancelled());
    progress.End();
    EXPECT_EQ(progress.Dialog(), nullptr);
    EXPECT_TRUE(window.findChildren<QProgressDialog*>().isEmpty());
}

// A message box over the window: a progress modal to the same window, shown
// over the box, would take the box's clicks and keys. While a box is up the
// progress stays out of sight, and shows again once the last box has gone.
TEST(QtAddProgress, StaysOutOfSightWhileAMessageIsUp) {
    QWidget window;
    QtAddProgress progress;
    progress.SetOwner(&window);
    progress.SetShowAfterMs(0);
    progress.Begin(10);
    QProgressDialog* dialog = progress.Dialog();
    ASSERT_NE(dialog, nullptr);

    progress.Suspend();
    QCoreApplication::processEvents();
    progress.Step(5); // due to show by now
    EXPECT_FALSE(dialog->isVisible());
    progress.Resume();
    EXPECT_TRUE(dialog->isVisible());

    // Shown, then two boxes, one from within the other.
    progress.Suspend();
    EXPECT_FALSE(dialog->isVisible());
    progress.Suspend();
    progress.Resume();
    EXPECT_FALSE(dialog->isVisible());
    progress.Resume();
    EXPECT_TRUE(dialog->isVisible());
    progress.End();
}

} // namespace
