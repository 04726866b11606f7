// The Settings dialog: refines the encoder, bit rate, sample rate and channel
// layout of the format chosen in the main window.
#pragma once

#include "profiles/output_catalogue.h"

#include <QDialog>
#include <cstdint>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class UserDialogs;

class CSettings : public QDialog {
    Q_OBJECT
public:
    // `formatText` is the main window's format item; its extension names the
    // container the chosen encoder has to fit.
    // `previewSource`, the row selected in the task list, shows what the
    // output names pattern makes of its tags.
    CSettings(OutputParameters& settings, UserDialogs& dialogs, std::string formatText,
              QWidget* parent = nullptr, std::string previewSource = {});

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The current texts of the four lists, as OK reads them.
    struct Choice {
        std::string encoder;
        std::string bitRate;
        std::string sampleRate;
        std::string channel;
    };

    void ShowPreset();
    void ShowLoudness();
    void StoreLoudness();
    void EnableNormalizeAlbums();
    void ShowOutputNaming();
    void ShowNamePreview();
    bool NamePatternReads();
    void StoreOutputNaming();
    void PreselectEncoder();
    void KeepEnterFromButtons();
    void ApplyEncoderChoices();
    void SelectRates(int32_t bitRate, int32_t sampleRate, int32_t channels);
    void OnOk();
    void OnDefault();
    Choice CurrentChoice() const;
    bool EncoderAccepts(const Choice& choice);
    void Store(const Choice& choice);

    OutputParameters& m_settings;
    UserDialogs& m_dialogs;
    std::string m_formatText;
    QComboBox* m_encoderList = nullptr;
    QComboBox* m_bitRateList = nullptr;
    QComboBox* m_sampleRateList = nullptr;
    QComboBox* m_channelList = nullptr;
    QCheckBox* m_replayGainBox = nullptr;
    QComboBox* m_normalizeList = nullptr;
    QCheckBox* m_normalizeAlbumsBox = nullptr;
    QLineEdit* m_namePatternEdit = nullptr;
    QLabel* m_namePreview = nullptr;
    QCheckBox* m_onlyNewBox = nullptr;
    std::string m_previewSource;
};
