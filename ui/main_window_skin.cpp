#include "ui/main_window_skin.h"

#include "resources/control_ids.h"
#include "ui/controls/control_button.h"
#include "ui/dialog_builder.h"
#include "ui/skin_palette.h"
#include "ui/skin_pictures.h"

#include <QComboBox>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <array>

namespace {

struct ButtonSkin {
    int controlId;
    int shape;
    int parentBackground;
    std::array<int, 4> enabled; // hover, normal, pressed, spare
    int disabled;               // 0: the button is never disabled
};

// Pressed shows the resting picture: coming from the lighter hover picture,
// the button visibly sinks back under the pointer.
constexpr ButtonSkin kButtonSkins[] = {
    {ids::kAdd, 177, kMainBackgroundPicture, {178, 177, 177, 178}, 0},
    {ids::kHelp, 181, kMainBackgroundPicture, {182, 181, 181, 182}, 0},
    {ids::kCut, 229, kMainBackgroundPicture, {188, 189, 189, 188}, 229},
    {ids::kEmpty, 269, kMainBackgroundPicture, {269, 191, 191, 269}, 212},
    {ids::kFileInformation, 261, 261, {244, 243, 243, 244}, 261},
    {ids::kSetting, 196, 196, {196, 197, 197, 196}, 200},
    {ids::kBrowse, 199, kMainBackgroundPicture, {199, 199, 199, 199}, 0},
    {ids::kFindTarget, 204, kMainBackgroundPicture, {204, 204, 204, 204}, 0},
    {ids::kConvert, 186, kMainBackgroundPicture, {185, 186, 186, 185}, 279},
    {ids::kAbout, 253, kMainBackgroundPicture, {253, 254, 254, 253}, 0},
    {ids::kMinimise, 207, kMainBackgroundPicture, {208, 207, 207, 208}, 0},
    {ids::kClose, 209, kMainBackgroundPicture, {210, 209, 209, 210}, 0},
};

// The places where the pointer shows the hand, hidden Clip and Merge included.
constexpr int kHandPlaces[] = {ids::kAdd,
                               ids::kClip,
                               ids::kHelp,
                               ids::kCut,
                               ids::kEmpty,
                               ids::kMerge,
                               ids::kFileInformation,
                               ids::kAbout,
                               ids::kBrowse,
                               ids::kFindTarget,
                               ids::kConvert,
                               ids::kMinimise,
                               ids::kClose,
                               ids::kSetting};

const ButtonSkin* FindSkin(int controlId) {
    for (const ButtonSkin& skin : kButtonSkins) {
        if (skin.controlId == controlId) {
            return &skin;
        }
    }
    return nullptr;
}

void ShowPictures(CControlButton& button, const ButtonSkin& skin, bool enabled) {
    if (enabled || skin.disabled == 0) {
        button.SetImages(skin.enabled[0], skin.enabled[1], skin.enabled[2], skin.enabled[3]);
    } else {
        button.SetImages(skin.disabled, skin.disabled, skin.disabled, skin.disabled);
    }
}

void SkinButton(CControlButton& button, const ButtonSkin& skin) {
    button.SetParentBackground(skin.parentBackground, button.geometry());
    button.SetShapeFromBitmap(skin.shape);
    button.maskDrawing = false;
    button.SetMask(skin.shape);
    ShowPictures(button, skin, button.isEnabled());
}

// The window's own cursor, set from every pointer move the window system
// reports for the whole window, before any control sees it. The controls
// take no cursor of their own: a disabled control's cursor is not shown and
// its pointer moves reach no one, yet its place must show the hand.
class HandOverButtonPlaces : public QObject {
public:
    explicit HandOverButtonPlaces(QWidget& window) : QObject(&window), m_window(window) {
        window.installEventFilter(this);
        WatchWindowSystemEvents();
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &m_window) {
            if (event->type() == QEvent::Show || event->type() == QEvent::WinIdChange) {
                WatchWindowSystemEvents();
            }
        } else if (event->type() == QEvent::MouseMove) {
            // Moves only: a window's enter event may carry where the pointer
            // was in another window.
            Follow(static_cast<QMouseEvent*>(event)->position().toPoint());
        }
        return false;
    }

private:
    void WatchWindowSystemEvents() {
        QWindow* handle = m_window.windowHandle();
        if (handle == nullptr || handle == m_handle) {
            return;
        }
        if (m_handle != nullptr) {
            m_handle->removeEventFilter(this);
        }
        m_handle = handle;
        handle->installEventFilter(this);
    }

    void Follow(QPoint point) {
        const bool overButton = IsOverButtonPlace(m_window, point);
        if (overButton == m_showingHand) {
            return;
        }
        m_showingHand = overButton;
        if (overButton) {
            m_window.setCursor(SkinHandCursor(m_window.devicePixelRatioF()));
        } else {
            m_window.unsetCursor();
        }
    }

    QWidget& m_window;
    QPointer<QWindow> m_handle;
    bool m_showingHand = false;
};

} // namespace

void SkinMainButtons(QWidget& window) {
    for (const ButtonSkin& skin : kButtonSkins) {
        if (auto* button = FindControlAs<CControlButton>(window, skin.controlId)) {
            SkinButton(*button, skin);
        }
    }
}

void SetSkinnedButtonEnabled(QWidget& window, int controlId, bool enabled) {
    QWidget* control = FindControl(window, controlId);
    if (control == nullptr) {
        return;
    }
    control->setEnabled(enabled);
    auto* button = qobject_cast<CControlButton*>(control);
    const ButtonSkin* skin = FindSkin(controlId);
    if (button != nullptr && skin != nullptr && button->ShapeId() != 0) {
        ShowPictures(*button, *skin, enabled);
    }
}

void PaintMainBackground(QWidget& window, QPainter& painter) {
    const QPixmap background = SkinPixmap(kMainBackgroundPicture, window.devicePixelRatioF());
    if (background.isNull()) {
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(window.rect(), background);
}

void ShowHandOverButtonPlaces(QWidget& window) {
    new HandOverButtonPlaces(window);
}

bool IsOverButtonPlace(const QWidget& window, QPoint point) {
    for (int controlId : kHandPlaces) {
        const QWidget* control = FindControl(window, controlId);
        // Bounds included: the right and bottom edges count too.
        if (control != nullptr && control->geometry().adjusted(0, 0, 1, 1).contains(point)) {
            return true;
        }
    }
    return false;
}

void ApplyMainControlColours(QWidget& window) {
    for (int controlId : {ids::kFormatCombo, ids::kOutputCombo}) {
        if (QWidget* combo = FindControl(window, controlId)) {
            combo->setPalette(SkinPalette(combo->palette()));
        }
    }
}
