#include "ui/settings_dialog.h"

#include "engine/encoder_check.h"
#include "profiles/encoder_names.h"
#include "profiles/settings_choices.h"
#include "resources/control_ids.h"
#include "tasks/output_names.h"
#include "tasks/output_path.h"
#include "tasks/services.h"
#include "ui/dialog_builder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QWindow>
#include <utility>

namespace {

constexpr ControlToolTip kToolTips[] = {
    {ids::kSettingDefault, "Default setting"},
    {ids::kSettingOk, "OK"},
    {ids::kSettingCancel, "Cancel"},
};

bool IsEnterKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

QString FromStd(const std::string& text) {
    return QString::fromStdString(text);
}

std::string TextOf(const QComboBox& list) {
    return list.currentText().toStdString();
}

int IndexOfText(const QComboBox& list, const std::string& text) {
    return list.findText(FromStd(text), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void Fill(QComboBox& list, const ChoiceList& choices) {
    list.clear();
    for (const std::string& item : choices.items) {
        list.addItem(FromStd(item));
    }
    list.setCurrentIndex(choices.selected);
}

// A value the list does not offer leaves the list's own preselection.
void SelectIfOffered(QComboBox& list, int index) {
    if (index >= 0) {
        list.setCurrentIndex(index);
    }
}

QString NormalizeText(int32_t lufs) {
    return QString::number(lufs) + " LUFS";
}

const OutputFormat* CatalogueRowOf(ProfileId profileId) {
    for (const OutputFormat& format : kOutputFormats) {
        if (format.profileId == profileId) {
            return &format;
        }
    }
    return nullptr;
}

} // namespace

CSettings::CSettings(OutputParameters& settings, UserDialogs& dialogs, std::string formatText,
                     QWidget* parent, std::string previewSource)
    : QDialog(parent), m_settings(settings), m_dialogs(dialogs),
      m_formatText(std::move(formatText)), m_previewSource(std::move(previewSource)) {
    BuildFromTemplate(*this, *FindDialogTemplate(ids::kSettingsDialog));
    m_encoderList = FindControlAs<QComboBox>(*this, ids::kSettingEncoder);
    m_bitRateList = FindControlAs<QComboBox>(*this, ids::kSettingBitRate);
    m_sampleRateList = FindControlAs<QComboBox>(*this, ids::kSettingSampleRate);
    m_channelList = FindControlAs<QComboBox>(*this, ids::kSettingChannel);
    m_replayGainBox = FindControlAs<QCheckBox>(*this, ids::kSettingReplayGain);
    m_normalizeList = FindControlAs<QComboBox>(*this, ids::kSettingNormalize);
    m_normalizeAlbumsBox = FindControlAs<QCheckBox>(*this, ids::kSettingNormalizeAlbums);
    m_namePatternEdit = FindControlAs<QLineEdit>(*this, ids::kSettingNamePattern);
    m_namePreview = FindControlAs<QLabel>(*this, ids::kSettingNamePreview);
    m_onlyNewBox = FindControlAs<QCheckBox>(*this, ids::kSettingOnlyNew);
    SetToolTips(*this, kToolTips);
    ShowPreset();
    ShowLoudness();
    ShowOutputNaming();
    PreselectEncoder();
    KeepEnterFromButtons();
    connect(m_encoderList, &QComboBox::activated, this, &CSettings::ApplyEncoderChoices);
    connect(m_normalizeList, &QComboBox::currentIndexChanged, this,
            &CSettings::EnableNormalizeAlbums);
    connect(FindControlAs<QPushButton>(*this, ids::kSettingOk), &QPushButton::clicked, this,
            &CSettings::OnOk);
    connect(FindControlAs<QPushButton>(*this, ids::kSettingCancel), &QPushButton::clicked, this,
            &QDialog::reject);
    connect(FindControlAs<QPushButton>(*this, ids::kSettingDefault), &QPushButton::clicked, this,
            &CSettings::OnDefault);
}

// The banner names the preset in red, disabled or not, and lists its encoders.
void CSettings::ShowPreset() {
    auto* banner = FindControlAs<QPushButton>(*this, ids::kSettingBanner);
    QPalette palette = banner->palette();
    palette.setColor(QPalette::ButtonText, Qt::red);
    banner->setPalette(palette);
    const FormatPreset* preset = FindFormatPreset(m_settings.profileId);
    if (preset == nullptr) {
        return;
    }
    banner->setText(FromStd(preset->bannerTitle));
    for (const std::string& encoder : preset->encoders) {
        m_encoderList->addItem(FromStd(encoder));
    }
}

// "Off", then the targets; the choices in force are shown.
void CSettings::ShowLoudness() {
    m_replayGainBox->setChecked(m_settings.writeReplayGain);
    m_normalizeList->addItem("Off");
    for (const int32_t lufs : kNormalizeTargets) {
        m_normalizeList->addItem(NormalizeText(lufs));
    }
    const int index = m_normalizeList->findText(NormalizeText(m_settings.normalizeLufs));
    m_normalizeList->setCurrentIndex(index < 0 ? 0 : index);
    m_normalizeAlbumsBox->setChecked(m_settings.normalizeAlbums);
    EnableNormalizeAlbums();
}

// Albums are normalised only when there is a target to bring them to.
void CSettings::EnableNormalizeAlbums() {
    m_normalizeAlbumsBox->setEnabled(m_normalizeList->currentIndex() > 0);
}

void CSettings::StoreLoudness() {
    m_settings.writeReplayGain = m_replayGainBox->isChecked();
    const int index = m_normalizeList->currentIndex();
    m_settings.normalizeLufs = index > 0 ? kNormalizeTargets[static_cast<size_t>(index - 1)] : 0;
    m_settings.normalizeAlbums = m_normalizeAlbumsBox->isChecked();
}

void CSettings::ShowOutputNaming() {
    m_namePatternEdit->setText(FromStd(m_settings.namePattern));
    m_namePatternEdit->setPlaceholderText("{albumartist}/{album}/{track:02} {title}");
    m_namePatternEdit->setToolTip(
        "Empty: each output keeps its source's name. Fields: {artist} {albumartist} {album} "
        "{title} {track} {disc} {year} {genre} {name}; \"/\" makes folders, {track:02} pads "
        "with zeros");
    m_onlyNewBox->setChecked(m_settings.onlyNewAndChanged);
    m_onlyNewBox->setToolTip("Sources whose output is newer are left alone; an older output "
                             "is replaced by the new one");
    connect(m_namePatternEdit, &QLineEdit::textChanged, this, &CSettings::ShowNamePreview);
    ShowNamePreview();
}

// What the pattern makes of the selected row, as the user types it.
void CSettings::ShowNamePreview() {
    const std::string name = NamePreview(m_namePatternEdit->text().toStdString(), m_previewSource,
                                         ExtensionFromFormatText(m_formatText));
    const QString text = name.empty() ? QString() : FromStd("Preview: " + name);
    m_namePreview->setText(
        m_namePreview->fontMetrics().elidedText(text, Qt::ElideMiddle, m_namePreview->width()));
    m_namePreview->setToolTip(FromStd(name));
}

// A pattern that does not read would fail every row of the next batch; it
// is named here and the dialog stays open.
bool CSettings::NamePatternReads() {
    const std::string text = m_namePatternEdit->text().toStdString();
    NamePattern unused;
    const std::string why = text.empty() ? "" : ParseNamePattern(text, unused);
    if (why.empty()) {
        return true;
    }
    m_dialogs.ShowMessage("Output names: " + why, MessageIcon::Exclamation);
    m_namePatternEdit->setFocus();
    return false;
}

void CSettings::StoreOutputNaming() {
    m_settings.namePattern = m_namePatternEdit->text().toStdString();
    m_settings.onlyNewAndChanged = m_onlyNewBox->isChecked();
}

// The encoder in force, so that OK with nothing touched changes nothing; else
// the last confirmed encoder when it was confirmed for this preset, else the
// preset's default.
void CSettings::PreselectEncoder() {
    const FormatPreset* preset = FindFormatPreset(m_settings.profileId);
    if (preset == nullptr) {
        m_encoderList->setCurrentIndex(-1);
        return;
    }
    int index = IndexOfText(*m_encoderList, m_settings.audioEncoder);
    if (index < 0 && m_settings.savedProfileId == m_settings.profileId) {
        index = IndexOfText(*m_encoderList, m_settings.savedAudioEncoderText);
    }
    if (index < 0) {
        index = IndexOfText(*m_encoderList, preset->defaultEncoder);
    }
    m_encoderList->setCurrentIndex(index);
}

// A focused button would take Enter as its click, and OK is one of them.
void CSettings::KeepEnterFromButtons() {
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->installEventFilter(this);
    }
}

bool CSettings::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && IsEnterKey(static_cast<QKeyEvent*>(event)->key())) {
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// Whatever was chosen in the three lists gives way to the encoder's defaults.
void CSettings::ApplyEncoderChoices() {
    if (m_encoderList->currentIndex() < 0) {
        return;
    }
    const EncoderChoiceLists lists = EncoderChoices(TextOf(*m_encoderList));
    Fill(*m_sampleRateList, lists.sampleRates);
    Fill(*m_bitRateList, lists.bitRates);
    Fill(*m_channelList, lists.channels);
}

// Selects the given values in the three lists where they are offered; the
// others keep the encoder's preselection.
void CSettings::SelectRates(int32_t bitRate, int32_t sampleRate, int32_t channels) {
    const EncoderChoiceLists lists = EncoderChoices(TextOf(*m_encoderList));
    SelectIfOffered(*m_bitRateList, FindRateChoice(lists.bitRates, bitRate));
    SelectIfOffered(*m_sampleRateList, FindRateChoice(lists.sampleRates, sampleRate));
    SelectIfOffered(*m_channelList, FindChannelChoice(lists.channels, channels));
}

// Opening shows the values in force rather than the encoder's preselection,
// which would otherwise slip into force on an untouched OK. A window
// manager's restore after minimising is no new showing: the choices made so
// far stay.
void CSettings::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        ApplyEncoderChoices();
        SelectRates(m_settings.audioBitRate, m_settings.sampleRate, m_settings.channels);
    }
    QDialog::showEvent(event);
}

// Enter is left to the focused list; it never confirms the dialog.
void CSettings::keyPressEvent(QKeyEvent* event) {
    if (IsEnterKey(event->key())) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

// Pressing on a free part of the dialog moves it, as its caption would.
void CSettings::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && windowHandle() != nullptr) {
        windowHandle()->startSystemMove();
    }
    QDialog::mousePressEvent(event);
}

CSettings::Choice CSettings::CurrentChoice() const {
    return {TextOf(*m_encoderList), TextOf(*m_bitRateList), TextOf(*m_sampleRateList),
            TextOf(*m_channelList)};
}

void CSettings::OnOk() {
    const Choice choice = CurrentChoice();
    if (!NamePatternReads() || !EncoderAccepts(choice)) {
        return;
    }
    Store(choice);
    accept();
}

// Some rates the lists offer are refused by the encoder itself; a refused
// combination would only show as failed rows after a whole batch, so it is
// named here and the dialog stays open for another choice.
bool CSettings::EncoderAccepts(const Choice& choice) {
    OutputAudioParams params;
    LookupEncoderCodec(choice.encoder, params.codecId);
    params.bitRate = parseRateText(choice.bitRate);
    params.sampleRate = parseRateText(choice.sampleRate);
    params.channels = ChannelCountOfText(choice.channel).value_or(m_settings.channels);
    if (CheckEncoderOpens(params, ExtensionFromFormatText(m_formatText)).opens) {
        return true;
    }
    m_dialogs.ShowMessage(
        EncoderRefusalMessage(choice.encoder, choice.sampleRate, choice.channel, choice.bitRate),
        MessageIcon::Exclamation);
    return false;
}

void CSettings::Store(const Choice& choice) {
    m_settings.sampleRate = parseRateText(choice.sampleRate);
    if (const std::optional<int32_t> channels = ChannelCountOfText(choice.channel)) {
        m_settings.channels = *channels;
    }
    m_settings.audioBitRate = parseRateText(choice.bitRate);
    m_settings.audioEncoder = choice.encoder;
    m_settings.savedProfileId = m_settings.profileId;
    m_settings.savedAudioEncoderText = choice.encoder;
    StoreLoudness();
    StoreOutputNaming();
}

// Puts the format's own defaults back into the lists; only OK stores them.
void CSettings::OnDefault() {
    const OutputFormat* format = CatalogueRowOf(m_settings.profileId);
    if (format == nullptr) {
        return;
    }
    SelectIfOffered(*m_encoderList, IndexOfText(*m_encoderList, format->encoder));
    ApplyEncoderChoices();
    SelectRates(format->bitRate, format->sampleRate, format->channels);
}
