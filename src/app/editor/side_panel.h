#pragma once

#include "app/editor/style_edits.h"
#include "records/capture_note.h"

#include <QWidget>
#include <functional>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace lumbex {

class GradientPicker;
class InspectorColorControl;
class InspectorNumberControl;

// The side panel of the editor: sizes, sampled colour and measurement, the style and geometry of
// the selected mark (or the drawing defaults), the image background, and the request buttons with
// the status lines. It decides nothing: every edit leaves through a callback and comes back
// through refresh().
class SidePanel : public QWidget {
    Q_OBJECT
public:
    explicit SidePanel(QWidget* parent = nullptr);

    // Rebuilds every section for the active image and the selected mark (none: the defaults).
    void refresh(const Media* media, const Mark* selected, const edits::EditorDefaults& defaults,
                 bool selectTool);
    void showSample(const QString& hexColor);
    void showMeasurement(const QString& text);
    void setLoupeChecked(bool on);
    // The area where the window puts its note rows.
    QVBoxLayout* notesArea() const { return notesArea_; }
    // The request line, buttons and status lines: kept in view below the scrolling sections.
    QWidget* requestSection() const { return requestSection_; }
    QPushButton* projectButton() const { return projectButton_; }
    QPushButton* previewButton() const { return previewButton_; }
    QPushButton* copyImageButton() const { return copyImageButton_; }
    QPushButton* copyForAgentButton() const { return copyForAgentButton_; }
    QPushButton* shareButton() const { return shareButton_; }
    void setStatus(const QString& request, const QString& save);
    // Ends typing in a field so that its value is committed before a command reads the note.
    void commitEditing();

    std::function<void(edits::StyleProperty, const QVariant&)> onStyle;
    std::function<void(const Rect&)> onBounds;
    std::function<void(Point)> onLensSource;
    std::function<void(const QString& actionName, std::function<void(Media&)>)> onImageEdit;
    std::function<void(bool)> onLoupe;
    std::function<void()> onCopySample;
    std::function<void()> onCopyMeasurement;

private:
    void buildMeasureSection();
    void buildStyleSection();
    void buildGeometrySection();
    void buildBackgroundSection();
    void buildRequestSection();
    void emitBounds();

    QLabel* sizeCaption_;
    QLabel* sampleLabel_;
    QCheckBox* loupeToggle_;
    QLabel* measurementLabel_;
    QGroupBox* lensBox_;
    InspectorNumberControl* magnification_;
    InspectorNumberControl* sourceX_;
    InspectorNumberControl* sourceY_;
    QGroupBox* styleBox_;
    InspectorColorControl* color_;
    InspectorNumberControl* strokeWidth_;
    InspectorNumberControl* textSize_;
    InspectorNumberControl* opacity_;
    QGroupBox* geometryBox_;
    InspectorNumberControl* x_;
    InspectorNumberControl* y_;
    InspectorNumberControl* width_;
    InspectorNumberControl* height_;
    QLabel* geometryHint_;
    QGroupBox* backgroundBox_;
    QComboBox* backgroundStyle_;
    InspectorNumberControl* padding_;
    InspectorNumberControl* corners_;
    InspectorColorControl* backgroundColor_;
    InspectorColorControl* gradientEnd_;
    GradientPicker* gradientPicker_;
    QCheckBox* shadow_;
    QVBoxLayout* notesArea_;
    QPushButton* projectButton_;
    QPushButton* previewButton_;
    QPushButton* copyImageButton_;
    QPushButton* copyForAgentButton_;
    QPushButton* shareButton_;
    QLabel* requestStatus_;
    QLabel* saveStatus_;
    QVBoxLayout* layout_;
    QWidget* requestSection_;
    QWidget* measurementRow_;
};

} // namespace lumbex
