#include "gui/dialogs/SaveDialogControls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDate>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <strings.h>

#include "gui/widgets/NumberEdit.h"

namespace kyp {

QString CopyrightSentence(const QString& artist, int year) {
    const QString yearText = QLocale::system().toString(QDate(year, 1, 1), QStringLiteral("yyyy"));
    return QStringLiteral("Copyright (C) %1%2 All Rights Reserved.")
        .arg(yearText + QLatin1Char(' '), artist.isEmpty() ? QString() : artist + QStringLiteral(", "));
}

QString CopyrightSentence(const QString& artist) { return CopyrightSentence(artist, QDate::currentDate().year()); }

namespace {

template <typename T>
T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

std::optional<std::string> TextOf(const QLineEdit* field) {
    if (field == nullptr || field->text().isEmpty()) return std::nullopt;
    return field->text().toStdString();
}

}  // namespace

SaveFormatControls::SaveFormatControls(Form form, QWidget* parent) : QWidget(parent), form_(form) {
    setObjectName(QStringLiteral("saveFormatControls"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(form == Form::page ? 6 : 0, 6, form == Form::page ? 6 : 0, 6);
    column->setSpacing(6);
    if (form == Form::page) {
        auto* formats = new QGroupBox(QStringLiteral("Format"), this);
        auto* formatRow = new QHBoxLayout(formats);
        auto* group = new QButtonGroup(this);
        formats_[0] = Named(new QRadioButton(QStringLiteral("&TIFF"), formats), "tiffRadio");
        formats_[1] = Named(new QRadioButton(QStringLiteral("&Windows Bitmap"), formats), "bitmapRadio");
        formats_[2] = Named(new QRadioButton(QStringLiteral("&JPEG"), formats), "jpegRadio");
        for (uint32_t f = 0; f < 3; ++f) {
            group->addButton(formats_[f]);
            formatRow->addWidget(formats_[f]);
            if (f == 2) formatRow->addStretch();
            connect(formats_[f], &QRadioButton::clicked, this, [this, f] {
                format_ = f;
                EnableForFormat(f);
                emit edited();
            });
        }
        column->addWidget(formats);
    }

    tiffGroup_ = Named(new QGroupBox(QStringLiteral("TIFF"), this), "tiffGroup");
    auto* tiffRows = new QVBoxLayout(tiffGroup_);
    tiffExif_ = Named(new QCheckBox(QStringLiteral("E&xif information"), tiffGroup_), "tiffExifCheck");
    tiffAnnotate_ = Named(new QCheckBox(QStringLiteral("&Annotate"), tiffGroup_), "tiffAnnotateCheck");
    sixteen_ = Named(new QCheckBox(QStringLiteral("1&6-bit"), tiffGroup_), "sixteenBitCheck");
    for (QCheckBox* box : {tiffExif_, tiffAnnotate_, sixteen_}) tiffRows->addWidget(box);
    column->addWidget(tiffGroup_);

    jpegGroup_ = Named(new QGroupBox(QStringLiteral("JPEG"), this), "jpegGroup");
    auto* jpegRows = new QVBoxLayout(jpegGroup_);
    jpegExif_ = Named(new QCheckBox(QStringLiteral("E&xif information"), jpegGroup_), "jpegExifCheck");
    jpegAnnotate_ = Named(new QCheckBox(QStringLiteral("&Annotate"), jpegGroup_), "jpegAnnotateCheck");
    quality_ = Named(new NumberEdit(1127, jpegGroup_), "qualityEdit");
    quality_->SetName("Quality", true);
    quality_->Setup(10, 100, 1, 10, 0);
    quality_->setFixedWidth(48);
    auto* qualityLabel = Named(new QLabel(QStringLiteral("&Quality:"), jpegGroup_), "qualityLabel");
    qualityLabel->setBuddy(quality_);
    auto* qualityRow = new QHBoxLayout;
    qualityRow->addWidget(qualityLabel);
    qualityRow->addWidget(quality_);
    qualityRow->addStretch();
    jpegRows->addWidget(jpegExif_);
    jpegRows->addWidget(jpegAnnotate_);
    jpegRows->addLayout(qualityRow);
    column->addWidget(jpegGroup_);

    for (QCheckBox* box : {tiffExif_, tiffAnnotate_, sixteen_, jpegExif_, jpegAnnotate_}) {
        connect(box, &QCheckBox::clicked, this, [this] { emit edited(); });
    }
    connect(quality_, &NumberEdit::valueChanged, this, [this] { emit edited(); });

    auto* texts = new QGridLayout;
    artist_ = Named(new QLineEdit(this), "artistEdit");
    copyright_ = Named(new QLineEdit(this), "copyrightEdit");
    copyrightButton_ = Named(new QPushButton(QStringLiteral("<&<"), this), "copyrightButton");
    copyrightButton_->setToolTip(QStringLiteral("Fill in a copyright notice"));
    copyrightButton_->setFixedWidth(copyrightButton_->fontMetrics().horizontalAdvance(QStringLiteral("<<")) + 16);
    auto* artistLabel = new QLabel(QStringLiteral("A&rtist:"), this);
    artistLabel->setBuddy(artist_);
    auto* copyrightLabel = new QLabel(QStringLiteral("&Copyright:"), this);
    copyrightLabel->setBuddy(copyright_);
    texts->addWidget(artistLabel, 0, 0);
    texts->addWidget(artist_, 0, 1, 1, 2);
    texts->addWidget(copyrightLabel, 1, 0);
    texts->addWidget(copyright_, 1, 1);
    texts->addWidget(copyrightButton_, 1, 2);
    if (form == Form::dialog) {
        description_ = Named(new QLineEdit(this), "descriptionEdit");
        auto* descriptionLabel = new QLabel(QStringLiteral("&Description:"), this);
        descriptionLabel->setBuddy(description_);
        texts->addWidget(descriptionLabel, 2, 0);
        texts->addWidget(description_, 2, 1, 1, 2);
    }
    column->addLayout(texts);
    column->addStretch();
    for (QLineEdit* field : {artist_, copyright_, description_}) {
        if (field != nullptr) connect(field, &QLineEdit::textEdited, this, [this] { emit edited(); });
    }
    connect(copyrightButton_, &QPushButton::clicked, this, [this] {
        FillCopyright();
        emit edited();
    });
}

void SaveFormatControls::FillCopyright() { copyright_->setText(CopyrightSentence(artist_->text())); }

uint32_t SaveFormatControls::Format() const { return format_; }

void SaveFormatControls::SetFormat(uint32_t format) {
    format_ = format <= format::jpeg ? format : format::tiff;
    if (formats_[format_] != nullptr) formats_[format_]->setChecked(true);
    EnableForFormat(format_);
}

void SaveFormatControls::EnableForFormat(uint32_t format) {
    tiffGroup_->setEnabled(format == format::tiff);
    jpegGroup_->setEnabled(format == format::jpeg);
    const bool annotated = format != format::bitmap;
    for (QWidget* field : {static_cast<QWidget*>(artist_), static_cast<QWidget*>(copyright_),
                           static_cast<QWidget*>(copyrightButton_), static_cast<QWidget*>(description_)}) {
        if (field != nullptr) field->setEnabled(annotated);
    }
}

void SaveFormatControls::Show(const OutputSettings& settings) {
    SetFormat(settings.format);
    tiffExif_->setChecked(settings.tx);
    tiffAnnotate_->setChecked(settings.ta);
    sixteen_->setChecked(settings.t16);
    jpegExif_->setChecked(settings.jx);
    jpegAnnotate_->setChecked(settings.ja);
    quality_->SetValue(settings.jpegQuality);
    artist_->setText(QString::fromStdString(settings.artist.value_or(std::string())));
    copyright_->setText(QString::fromStdString(settings.copyright.value_or(std::string())));
    if (description_ != nullptr) description_->setText(QString::fromStdString(settings.description.value_or(std::string())));
}

void SaveFormatControls::Read(OutputSettings& settings) const {
    settings.format = format_;
    settings.tx = tiffExif_->isChecked();
    settings.ta = tiffAnnotate_->isChecked();
    settings.t16 = sixteen_->isChecked();
    settings.jx = jpegExif_->isChecked();
    settings.ja = jpegAnnotate_->isChecked();
    settings.jpegQuality = static_cast<int32_t>(quality_->Value());
    settings.artist = TextOf(artist_);
    settings.copyright = TextOf(copyright_);
    if (description_ != nullptr) settings.description = TextOf(description_);
}

// ---- Save As ----

const QStringList& SaveAsDialog::Filters() {
    static const QStringList filters = {QStringLiteral("TIFF Files (*.tif)"), QStringLiteral("Bitmap Files (*.bmp)"),
                                        QStringLiteral("JPEG Files (*.jpg)")};
    return filters;
}

namespace {

// name with its extension replaced by extension (".tif"); a name without one gets it.
QString WithExtension(const QString& name, const char* extension) {
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > slash && dot > 0 ? name.left(dot) : name;
    return stem + QString::fromLatin1(extension);
}

// The format a file name's extension names (.tif/.tiff, .bmp, .jpg/.jpeg), or -1.
int FormatOfName(const QString& name) {
    const QString extension = name.section(QLatin1Char('/'), -1).section(QLatin1Char('.'), -1).toLower();
    if (!name.section(QLatin1Char('/'), -1).contains(QLatin1Char('.'))) return -1;
    if (extension == QLatin1String("tif") || extension == QLatin1String("tiff")) return static_cast<int>(format::tiff);
    if (extension == QLatin1String("bmp")) return static_cast<int>(format::bitmap);
    if (extension == QLatin1String("jpg") || extension == QLatin1String("jpeg")) return static_cast<int>(format::jpeg);
    return -1;
}

}  // namespace

SaveAsDialog::SaveAsDialog(QWidget* parent, const OutputSettings& settings, const std::string& fileName,
                           const std::string& folder)
    : QFileDialog(parent, QStringLiteral("Save As")), settings_(settings) {
    setObjectName(QStringLiteral("saveAsDialog"));
    setOption(QFileDialog::DontUseNativeDialog, true);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setFilter(filter() & ~QDir::CaseSensitive);
    setSizeGripEnabled(true);
    setNameFilters(Filters());
    if (!folder.empty()) setDirectory(QString::fromStdString(folder));

    controls_ = new SaveFormatControls(SaveFormatControls::Form::dialog, this);
    controls_->Show(settings_);
    // The controls sit in a column of their own beside the file panel.
    if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
        grid->addWidget(controls_, 0, grid->columnCount(), grid->rowCount(), 1);
    }

    const uint32_t format = settings_.format <= format::jpeg ? settings_.format : format::tiff;
    selectNameFilter(Filters()[static_cast<int>(format)]);
    TypeChanged(static_cast<int>(format));
    if (!fileName.empty()) {
        const QString base = QString::fromStdString(fileName).section(QLatin1Char('/'), -1);
        selectFile(WithExtension(base, FormatExtension(format)));
    }
    connect(this, &QFileDialog::filterSelected, this,
            [this](const QString& filter) { TypeChanged(static_cast<int>(Filters().indexOf(filter))); });
}

void SaveAsDialog::TypeChanged(int index) {
    if (index < 0 || index > static_cast<int>(format::jpeg)) return;
    const auto format = static_cast<uint32_t>(index);
    controls_->SetFormat(format);
    const char* extension = FormatExtension(format);
    setDefaultSuffix(QString::fromLatin1(extension + 1));
    // A name already typed takes the new type's extension.
    if (auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        if (!name->text().isEmpty()) name->setText(WithExtension(name->text(), extension));
    }
}

std::string SaveAsDialog::ChosenName() const {
    if (selectedFiles().isEmpty()) return {};
    QString name = selectedFiles().first();
    const char* extension = FormatExtension(controls_->Format());
    if (FormatOfName(name) != static_cast<int>(controls_->Format())) name = WithExtension(name, extension);
    return name.toStdString();
}

void SaveAsDialog::accept() {
    // A name typed with another format's extension saves in that format.
    if (!selectedFiles().isEmpty()) {
        const int typed = FormatOfName(selectedFiles().first());
        if (typed >= 0 && typed != static_cast<int>(controls_->Format())) {
            controls_->SetFormat(static_cast<uint32_t>(typed));
            selectNameFilter(Filters()[typed]);
            setDefaultSuffix(QString::fromLatin1(FormatExtension(static_cast<uint32_t>(typed)) + 1));
        }
    }
    controls_->Read(settings_);
    QFileDialog::accept();
}

}  // namespace kyp
