#pragma once
#include <QFileDialog>
#include <QWidget>

#include <optional>
#include <string>

#include "engine/settings/OutputSettings.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kyp {

class NumberEdit;

// "Copyright (C) <year> <artist, >All Rights Reserved.": the year (four digits,
// in the user's locale) and a blank, then the artist and ", " when there is one.
[[nodiscard]] QString CopyrightSentence(const QString& artist, int year);
[[nodiscard]] QString CopyrightSentence(const QString& artist);

// The save-format controls, shared by the Save Format page (with format
// buttons) and the Save As dialog (with a description; the dialog's file type
// is the format there). They edit an OutputSettings.
//
// Controls, by object name:
//   tiffRadio "&TIFF"   bitmapRadio "&Windows Bitmap"   jpegRadio "&JPEG"  (page only)
//   tiffGroup: tiffExifCheck "E&xif information", tiffAnnotateCheck "&Annotate",
//              sixteenBitCheck "1&6-bit"
//   jpegGroup: jpegExifCheck "E&xif information", jpegAnnotateCheck "&Annotate",
//              qualityLabel "&Quality:", qualityEdit (10 to 100)
//   artistEdit "A&rtist:"   copyrightEdit "&Copyright:"   copyrightButton "<&<"
//   descriptionEdit "&Description:"  (dialog only)
class SaveFormatControls : public QWidget {
    Q_OBJECT
public:
    enum class Form { page, dialog };
    explicit SaveFormatControls(Form form, QWidget* parent = nullptr);

    void Show(const OutputSettings& settings);
    // Reads every control into settings (an empty text gives none).
    void Read(OutputSettings& settings) const;
    // The format: the page's buttons, or what the dialog was told.
    [[nodiscard]] uint32_t Format() const;
    void SetFormat(uint32_t format);
    // The TIFF group only for TIFF, the JPEG group only for JPEG, the
    // annotation texts for all but the Windows bitmap.
    void EnableForFormat(uint32_t format);
    // "<&<": the copyright sentence with this year and the artist field.
    void FillCopyright();

signals:
    // A format button or an option box was clicked, the quality stepped or a text edited.
    void edited();

private:
    Form form_;
    uint32_t format_ = format::tiff;
    QRadioButton* formats_[3] = {nullptr, nullptr, nullptr};
    QGroupBox* tiffGroup_ = nullptr;
    QCheckBox* tiffExif_ = nullptr;
    QCheckBox* tiffAnnotate_ = nullptr;
    QCheckBox* sixteen_ = nullptr;
    QGroupBox* jpegGroup_ = nullptr;
    QCheckBox* jpegExif_ = nullptr;
    QCheckBox* jpegAnnotate_ = nullptr;
    NumberEdit* quality_ = nullptr;
    QLineEdit* artist_ = nullptr;
    QLineEdit* copyright_ = nullptr;
    QLineEdit* description_ = nullptr;
    QPushButton* copyrightButton_ = nullptr;
};

// The Save As dialog: Qt's own file dialog with the save-format controls
// beside it, working on a copy of the frame's settings. The file type chosen
// decides the format, the default extension, and the extension of a typed name.
class SaveAsDialog : public QFileDialog {
    Q_OBJECT
public:
    static const QStringList& Filters();

    SaveAsDialog(QWidget* parent, const OutputSettings& settings, const std::string& fileName,
                 const std::string& folder);

    // The file type changed to filter index (0 TIFF, 1 bitmap, 2 JPEG).
    void TypeChanged(int index);
    // After OK: the controls read into the copy.
    [[nodiscard]] const OutputSettings& Settings() const { return settings_; }
    // The chosen name with the type's extension.
    [[nodiscard]] std::string ChosenName() const;
    [[nodiscard]] SaveFormatControls* Controls() const { return controls_; }

    void accept() override;

private:
    OutputSettings settings_;
    SaveFormatControls* controls_ = nullptr;
};

}  // namespace kyp
