#include "ui/main_window.h"

#include "engine/av_convert.h"
#include "preview/clip_dialog.h"
#include "preview/preview_client.h"
#include "profiles/output_catalogue.h"
#include "resources/control_ids.h"
#include "tasks/add_files.h"
#include "tasks/convert_command.h"
#include "tasks/engine_access.h"
#include "tasks/format_selection.h"
#include "tasks/help_page.h"
#include "tasks/output_folder.h"
#include "tasks/progress_tick.h"
#include "tasks/remembered_output.h"
#include "tasks/task_list.h"
#include "ui/about_dialog.h"
#include "ui/controls/check_list_ctrl.h"
#include "ui/dialog_builder.h"
#include "ui/main_view_adapter.h"
#include "ui/main_window_skin.h"
#include "ui/progress_dialog.h"
#include "ui/settings_dialog.h"
#include "ui/skin_pictures.h"
#include "vantiro.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimerEvent>
#include <QUrl>
#include <QWindow>
#include <algorithm>
#include <utility>

namespace {

const char* const kWindowTitle = "Veltrano Audio Converter";
constexpr int kStoppedWorkerPollMs = 100;

constexpr ControlToolTip kToolTips[] = {
    {ids::kAdd, "Add File"},
    {ids::kConvert, "Start Converting"},
    {ids::kFindTarget, "Open output files"},
    {ids::kBrowse, "Set output files"},
    {ids::kHelp, "Help"},
    {ids::kCut, "Remove"},
    {ids::kEmpty, "Clear All"},
    {ids::kClose, "Close"},
    {ids::kMinimise, "Minimize"},
    {ids::kAbout, "About"},
    {ids::kFileInformation, "File Information"},
    {ids::kSetting, "Conversion Settings"},
};

// The buttons whose use depends on the task list; none has a task at start.
constexpr int kTaskButtons[] = {ids::kConvert, ids::kCut, ids::kEmpty, ids::kSetting,
                                ids::kFileInformation};

struct Column {
    const char* heading;
    int width;
};

constexpr Column kColumns[kTaskColumnCount] = {
    {"Source file", 200},   {"Start time", 75}, {"End time", 75},
    {"Output format", 100}, {"Status", 0},      {"Duration", 0},
};
// The Status column takes what the other visible columns leave of the list.
constexpr int kWidthBesideStatus = 450;

QWidget* MakeMainControl(const ControlTemplate& control, QWidget* parent) {
    if (control.id == ids::kTaskList) {
        return new CCheckListCtrl(parent);
    }
    return nullptr;
}

QString FromStd(const std::string& text) {
    return QString::fromStdString(text);
}

bool IsEnterKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// Ctrl+Q, also where the platform's key table names no Quit key (a plain X
// session, a headless one).
bool IsQuitKey(const QKeyEvent& key) {
    const bool controlQ = key.key() == Qt::Key_Q && key.modifiers() == Qt::ControlModifier;
    return controlQ || key.matches(QKeySequence::Quit);
}

// An editable combo passes its keys on to its edit field.
bool IsTextField(const QWidget& widget) {
    if (const auto* edit = qobject_cast<const QLineEdit*>(&widget)) {
        return !edit->isReadOnly();
    }
    const auto* combo = qobject_cast<const QComboBox*>(&widget);
    return combo != nullptr && combo->isEditable();
}

bool IsPartOf(const QWidget& widget, const QWidget& control) {
    return &widget == &control || control.isAncestorOf(&widget);
}

std::string MissingHelpMessage(const std::string& appDir) {
    return "The help page was not found at " + HelpPageBeside(appDir) + " nor at " +
           InstalledHelpPage(appDir) + ".";
}

} // namespace

CQuarvelDlg::CQuarvelDlg(MainServices& services, AppLocations locations, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint), m_services(services),
      m_locations(std::move(locations)) {
    BuildSkinnedFromTemplate(*this, *FindDialogTemplate(ids::kMainDialog), kMainBackgroundPicture,
                             MakeMainControl);
    m_taskList = FindControlAs<CCheckListCtrl>(*this, ids::kTaskList);
    m_formatCombo = FindControlAs<QComboBox>(*this, ids::kFormatCombo);
    m_outputCombo = FindControlAs<QComboBox>(*this, ids::kOutputCombo);
    m_view = std::make_unique<MainViewAdapter>(*this, *m_taskList, *m_formatCombo, *m_outputCombo,
                                               m_state);
    setAcceptDrops(true);
    ShowHandOverButtonPlaces(*this);
    InitDialog();
    BindCommands();
    // Keys are looked at before any control of the window sees them, so that
    // Delete removes a task even from inside a combo's edit field.
    qApp->installEventFilter(this);
}

CQuarvelDlg::~CQuarvelDlg() {
    qApp->removeEventFilter(this);
    FinishBeforeClosing();
}

MainView& CQuarvelDlg::View() {
    return *m_view;
}

const MainView& CQuarvelDlg::View() const {
    return *m_view;
}

CAVConvertDlg& CQuarvelDlg::ProgressDialog() {
    return m_view->ProgressDialog();
}

CClipDialog& CQuarvelDlg::ClipDialog() {
    return m_view->ClipDialog();
}

void CQuarvelDlg::InitDialog() {
    setWindowIcon(SkinAppIcon());
    setWindowTitle(kWindowTitle);
    SetToolTips(*this, kToolTips);
    m_state.m_clipRow = 0;
    FillFormatCombo();
    SkinMainButtons(*this);
    DisableTaskButtons();
    ApplyMainControlColours(*this);
    PrepareTaskList();
    LoadOutputFolder(*m_view, m_state, m_locations);
    // The first format and its defaults unless the last run left a choice.
    m_formatCombo->setCurrentIndex(LoadOutputChoice(m_state, OutputSettings));
    m_state.m_shutdownWhenDone = false;
    m_view->ShowOutputFolder(m_state.m_outputFolder);
    TakePreviewForMainWindow();
}

void CQuarvelDlg::FillFormatCombo() {
    for (const OutputFormat& format : kOutputFormats) {
        m_formatCombo->addItem(format.text);
    }
    m_formatCombo->setCurrentIndex(0);
}

void CQuarvelDlg::DisableTaskButtons() {
    for (int controlId : kTaskButtons) {
        m_view->SetButtonEnabled(controlId, false);
    }
}

void CQuarvelDlg::PrepareTaskList() {
    m_taskList->setColumnCount(kTaskColumnCount);
    QStringList headings;
    for (const Column& column : kColumns) {
        headings << column.heading;
    }
    m_taskList->setHorizontalHeaderLabels(headings);
    m_taskList->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int column = 0; column < kTaskColumnCount; ++column) {
        m_taskList->setColumnWidth(column, kColumns[column].width);
    }
    const int statusWidth = m_taskList->contentsRect().width() - kWidthBesideStatus;
    m_taskList->setColumnWidth(ColumnStatus, std::max(0, statusWidth));
    // The duration is kept for the Clip dialog, never shown.
    m_taskList->setColumnHidden(ColumnDuration, true);
    m_taskList->InitCheckHeader();
    m_taskList->hide();
}

void CQuarvelDlg::BindButton(int controlId, void (CQuarvelDlg::*handler)()) {
    if (auto* button = FindControlAs<QAbstractButton>(*this, controlId)) {
        connect(button, &QAbstractButton::clicked, this, handler);
    }
}

void CQuarvelDlg::BindCommands() {
    BindButton(ids::kAdd, &CQuarvelDlg::OnAdd);
    BindButton(ids::kClip, &CQuarvelDlg::OnClip);
    BindButton(ids::kRemove, &CQuarvelDlg::OnRemove);
    BindButton(ids::kConvert, &CQuarvelDlg::OnConvert);
    BindButton(ids::kFindTarget, &CQuarvelDlg::OnFindTarget);
    BindButton(ids::kBrowse, &CQuarvelDlg::OnBrowse);
    BindButton(ids::kHelp, &CQuarvelDlg::OnHelp);
    BindButton(ids::kCut, &CQuarvelDlg::OnRemove);
    BindButton(ids::kEmpty, &CQuarvelDlg::OnEmpty);
    BindButton(ids::kClose, &CQuarvelDlg::OnClose);
    BindButton(ids::kMinimise, &CQuarvelDlg::OnMinimise);
    BindButton(ids::kAbout, &CQuarvelDlg::OnAbout);
    BindButton(ids::kFileInformation, &CQuarvelDlg::OnFileInformation);
    BindButton(ids::kSetting, &CQuarvelDlg::OnSetting);
    connect(m_formatCombo, &QComboBox::activated, this, &CQuarvelDlg::OnFormatChosen);
    connect(m_taskList, &CCheckListCtrl::rowClicked, this, &CQuarvelDlg::OnListClick);
    connect(m_taskList, &CCheckListCtrl::contextMenuRequested, this,
            &CQuarvelDlg::OnListContextMenu);
}

// Commands.

void CQuarvelDlg::OnAdd() {
    AddFilesFromDialog(*m_view, m_state, m_services.dialogs);
}

void CQuarvelDlg::OnRemove() {
    RemoveSelectedTask(*m_view);
}

void CQuarvelDlg::OnConvert() {
    ConvertCommand(*m_view, m_state, m_services.dialogs);
    if (m_state.m_stoppedRowsPending) {
        m_stoppedWorkerTimer.start(kStoppedWorkerPollMs, this);
    }
}

// A stopped batch's worker finishes the files it was writing; once it has
// returned, the rows it cut short say what they hold.
void CQuarvelDlg::PollStoppedWorker() {
    if (m_state.m_worker.IsRunning() && !m_state.m_worker.HasReturned()) {
        return;
    }
    m_stoppedWorkerTimer.stop();
    FinishRunningWorker(*m_view, m_state);
}

void CQuarvelDlg::OnFindTarget() {
    OpenOutputFolder(*m_view, m_state, m_services.dialogs, m_services.shell);
}

void CQuarvelDlg::OnBrowse() {
    BrowseOutputFolder(*m_view, m_state, m_services.dialogs);
}

// The page ships with the program, so Help works without a network.
void CQuarvelDlg::OnHelp() {
    const std::string page = FindHelpPage(m_locations.appDir);
    if (page.empty()) {
        m_services.dialogs.ShowMessage(MissingHelpMessage(m_locations.appDir), MessageIcon::None);
        return;
    }
    m_services.shell.OpenUrl(QUrl::fromLocalFile(FromStd(page)).toString().toStdString());
}

void CQuarvelDlg::OnEmpty() {
    ClearAllTasks(*m_view);
}

void CQuarvelDlg::OnClose() {
    accept();
}

void CQuarvelDlg::OnMinimise() {
    showMinimized();
}

void CQuarvelDlg::OnAbout() {
    CAbout about(m_services.shell, m_services.dialogs, this);
    about.exec();
}

void CQuarvelDlg::OnClip() {
    ClipSelectedRows(*m_view, m_state);
}

void CQuarvelDlg::OnFileInformation() {
    ShowFileInformationCommand(*m_view, m_state);
}

void CQuarvelDlg::OnSetting() {
    const std::vector<int> selected = m_view->SelectedRows();
    const std::string previewSource =
        selected.empty() ? std::string() : m_view->RowText(selected.front(), ColumnSource);
    CSettings settings(OutputSettings, m_services.dialogs, m_view->CurrentFormatText(), this,
                       previewSource);
    if (settings.exec() == QDialog::Accepted) {
        SaveOutputChoice(m_state, OutputSettings);
    }
}

void CQuarvelDlg::OnFormatChosen(int index) {
    SelectFormat(*m_view, index);
    SaveOutputChoice(m_state, OutputSettings);
}

void CQuarvelDlg::OnListClick() {
    OnTaskListClick(*m_view, m_state, m_services.dialogs);
}

void CQuarvelDlg::OnListContextMenu() {
    ShowTaskContextMenu(*m_view, m_state, m_services.dialogs);
}

// Closing.

// The program ends with the window: the preview library lets its file go.
void CQuarvelDlg::done(int result) {
    FinishBeforeClosing();
    Vantiro_Close();
    QDialog::done(result);
}

// A worker that is still writing a file after a Stop finishes it, so no
// output is left cut short; a batch that somehow still runs is asked to stop
// at its current file first.
void CQuarvelDlg::FinishBeforeClosing() {
    if (!m_state.m_worker.IsRunning()) {
        return;
    }
    m_view->KillConversionTimer();
    if (g_engine != nullptr) {
        RequestStop(*g_engine);
    }
    FinishRunningWorker(*m_view, m_state);
}

// Window events.

bool CQuarvelDlg::IsInThisWindow(const QObject* object) const {
    const auto* widget = qobject_cast<const QWidget*>(object);
    return widget != nullptr && widget->window() == this;
}

bool CQuarvelDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && IsInThisWindow(watched)) {
        if (HandleWindowKey(*static_cast<QWidget*>(watched), *static_cast<QKeyEvent*>(event))) {
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// Delete removes the first selected task, except in a field where text is
// typed: there it deletes a character. Neither Escape nor Return ever ends the
// window, since the task list would be lost to a key pressed to dismiss or
// confirm something: Escape does nothing here (a menu, popup or dialog of its
// own window still takes it), a focused button takes Return as its click, a
// combo's edit field as confirming its text, and anywhere else it does
// nothing. Ctrl+Q ends the window as its Close button does.
bool CQuarvelDlg::HandleWindowKey(QWidget& target, const QKeyEvent& key) {
    if (key.key() == Qt::Key_Delete) {
        if (IsTextField(target)) {
            return false;
        }
        OnRemove();
        return true;
    }
    if (key.key() == Qt::Key_Escape) {
        return true;
    }
    if (IsQuitKey(key)) {
        OnClose();
        return true;
    }
    if (!IsEnterKey(key.key())) {
        return false;
    }
    if (auto* button = qobject_cast<QAbstractButton*>(&target)) {
        button->click();
    } else if (IsPartOf(target, *m_outputCombo)) {
        ConfirmOutputFolderText();
    } else if (IsPartOf(target, *m_formatCombo)) {
        ConfirmFormatText();
    }
    return true;
}

// The folder is taken as typed; Convert or Find Target makes it when needed.
void CQuarvelDlg::ConfirmOutputFolderText() {
    m_state.m_outputFolder = m_view->OutputFolderText();
}

// The first format whose text begins with what was typed, as the field's
// completion shows it (any case); a text that names no format gives way to
// the format in force.
void CQuarvelDlg::ConfirmFormatText() {
    const QString text = m_formatCombo->currentText().trimmed();
    const int typed = text.isEmpty() ? -1 : m_formatCombo->findText(text, Qt::MatchStartsWith);
    if (typed >= 0 && typed != m_formatCombo->currentIndex()) {
        m_formatCombo->setCurrentIndex(typed);
        OnFormatChosen(typed);
        return;
    }
    m_formatCombo->setEditText(m_formatCombo->itemText(m_formatCombo->currentIndex()));
}

// The window has no caption: pressing on its background moves it.
void CQuarvelDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && windowHandle() != nullptr) {
        windowHandle()->startSystemMove();
    }
    QDialog::mousePressEvent(event);
}

// The skin: the background picture under every control.
void CQuarvelDlg::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    PaintMainBackground(*this, painter);
}

// The empty window is one drop zone: a right click there offers the list's
// menu, so Add Folder can be reached before the list has a row to click.
void CQuarvelDlg::contextMenuEvent(QContextMenuEvent* event) {
    if (childAt(event->pos()) != nullptr) {
        event->ignore(); // a control's own right click, not the background's
        return;
    }
    event->accept();
    OnListContextMenu();
}

void CQuarvelDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void CQuarvelDlg::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths.push_back(url.toLocalFile().toStdString());
        }
    }
    event->acceptProposedAction();
    AddFilesAsDropped(paths);
}

void CQuarvelDlg::AddFilesAsDropped(const std::vector<std::string>& paths) {
    AddDroppedFiles(*m_view, m_state, m_services.dialogs, paths);
}

void CQuarvelDlg::AddNamedFiles(const std::vector<std::string>& paths) {
    ::AddNamedFiles(*m_view, m_state, m_services.dialogs, paths);
}

void CQuarvelDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_stoppedWorkerTimer.timerId()) {
        PollStoppedWorker();
        return;
    }
    if (event->timerId() != m_view->ConversionTimerId()) {
        QDialog::timerEvent(event);
        return;
    }
    ProgressTick(*m_view, m_state, m_services);
}
