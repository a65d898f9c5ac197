#include "gui/dialogs/OpenDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QVBoxLayout>

#include "engine/output/GeneratedPreview.h"
#include "gui/view/ImageArea.h"

namespace kyp {

// Shows the preview at its top-left corner, scaled down to fit when it is
// larger (aspect kept), framed by a sunken edge 2 pixels outside it.
class PreviewPicture : public QWidget {
public:
    explicit PreviewPicture(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("previewPicture"));
        setMinimumSize(200, 160);
    }
    void SetImage(const QImage& image) {
        image_ = image;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Button));
        if (image_.isNull()) return;
        const QRect area = OpenDialog::PreviewArea(image_.size(), size());
        if (area.isEmpty()) return;
        painter.setRenderHint(QPainter::SmoothPixmapTransform, area.size() != image_.size());
        painter.drawImage(area, image_);
        QStyleOptionFrame frame;
        frame.initFrom(this);
        frame.rect = area.adjusted(-2, -2, 2, 2);
        frame.lineWidth = 2;
        frame.state |= QStyle::State_Sunken;
        style()->drawPrimitive(QStyle::PE_Frame, &frame, &painter, this);
    }

private:
    QImage image_;
};

OpenDialog::OpenDialog(QWidget* parent, const std::string& folder, const std::string& fileName, bool autoPreview,
                       bool generatePreview)
    : QFileDialog(parent) {
    setObjectName(QStringLiteral("openDialog"));
    setOption(QFileDialog::DontUseNativeDialog, true);
    setOption(QFileDialog::ReadOnly, true);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFile);
    // Names match without regard to case: "*.orf" lists P1010001.ORF.
    setFilter(filter() & ~QDir::CaseSensitive);
    setNameFilter(QStringLiteral("Olympus RAW Format (*.orf)"));
    setWindowTitle(QStringLiteral("Open"));
    if (!folder.empty()) setDirectory(QString::fromStdString(folder));
    if (!fileName.empty()) selectFile(QString::fromStdString(fileName));

    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("previewPanel"));
    auto* column = new QVBoxLayout(panel);
    previewCheck_ = new QCheckBox(QStringLiteral("&Preview"), panel);
    previewCheck_->setObjectName(QStringLiteral("previewCheck"));
    previewCheck_->setChecked(autoPreview);
    embeddedCheck_ = new QCheckBox(QStringLiteral("&Use embedded preview"), panel);
    embeddedCheck_->setObjectName(QStringLiteral("embeddedCheck"));
    embeddedCheck_->setChecked(!generatePreview);
    auto* turns = new QHBoxLayout;
    leftButton_ = new QPushButton(QStringLiteral("&L"), panel);
    leftButton_->setObjectName(QStringLiteral("rotateLeftButton"));
    leftButton_->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
    leftButton_->setToolTip(QStringLiteral("Turn a quarter counter-clockwise"));
    rightButton_ = new QPushButton(QStringLiteral("&R"), panel);
    rightButton_->setObjectName(QStringLiteral("rotateRightButton"));
    rightButton_->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));
    rightButton_->setToolTip(QStringLiteral("Turn a quarter clockwise"));
    turns->addWidget(leftButton_);
    turns->addWidget(rightButton_);
    turns->addStretch();
    caption_ = new QPlainTextEdit(panel);
    caption_->setObjectName(QStringLiteral("captionText"));
    caption_->setReadOnly(true);
    caption_->document()->setDocumentMargin(4);
    QPalette colours = caption_->palette();
    colours.setColor(QPalette::Base, colours.color(QPalette::Button));
    caption_->setPalette(colours);
    caption_->setMaximumHeight(110);
    picture_ = new PreviewPicture(panel);
    column->addWidget(previewCheck_);
    column->addWidget(embeddedCheck_);
    column->addLayout(turns);
    column->addWidget(caption_);
    column->addWidget(picture_, 1);
    if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
        grid->addWidget(panel, 0, grid->columnCount(), grid->rowCount(), 1);
    }

    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { BuildPreview(); });
    connect(this, &QFileDialog::currentChanged, this, [this](const QString& path) { SelectionChanged(path); });
    connect(previewCheck_, &QCheckBox::toggled, this, [this](bool on) {
        if (on) {
            BuildPreview();
        } else {
            timer_.stop();
            DropPreview();
            caption_->hide();
        }
    });
    connect(embeddedCheck_, &QCheckBox::toggled, this, [this](bool) {
        if (PreviewShown()) BuildPreview();
    });
    connect(leftButton_, &QPushButton::clicked, this, [this] { TurnLeft(); });
    connect(rightButton_, &QPushButton::clicked, this, [this] { TurnRight(); });
    if (parent != nullptr) move(parent->geometry().center() - rect().center());
}

QRect OpenDialog::PreviewArea(const QSize& image, const QSize& panel) {
    // The edge takes 2 pixels on every side.
    return {QPoint(2, 2), FitSize(image, panel - QSize(4, 4))};
}

bool OpenDialog::AutoPreview() const { return previewCheck_->isChecked(); }
bool OpenDialog::GeneratePreviewWanted() const { return !embeddedCheck_->isChecked(); }
QString OpenDialog::Caption() const { return caption_->toPlainText(); }

void OpenDialog::SelectionChanged(const QString& path) {
    timer_.stop();
    caption_->clear();
    selected_ = QFileInfo(path).isFile() ? path : QString();
    if (selected_.isEmpty() || !previewCheck_->isChecked()) return;
    if (embeddedCheck_->isChecked()) {
        BuildPreview();
    } else {
        timer_.start(kGenerateDelayMs);
    }
}

void OpenDialog::DropPreview() {
    preview_.release();
    picture_->SetImage(QImage());
}

void OpenDialog::BuildPreview() {
    timer_.stop();
    DropPreview();
    caption_->show();
    if (selected_.isEmpty()) return;
    ++builds_;
    const std::string path = selected_.toStdString();
    std::string caption;
    bool ok = false;
    if (embeddedCheck_->isChecked()) {
        ok = embeddedPreview(path, preview_, &caption);
    } else {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ok = GeneratePreview(path, preview_, &caption);
        QApplication::restoreOverrideCursor();
    }
    if (!ok) {
        preview_.release();
        return;
    }
    QString text = QString::fromStdString(caption);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    caption_->setPlainText(text);
    picture_->SetImage(ImageFromBitmap(preview_));
    turns_ = 0;
}

void OpenDialog::TurnLeft() {
    if (!PreviewShown() || !preview_.rotateInPlace(1)) return;
    if (++turns_ == 4) turns_ = 0;
    picture_->SetImage(ImageFromBitmap(preview_));
}

void OpenDialog::TurnRight() {
    if (!PreviewShown() || !preview_.rotateInPlace(-1)) return;
    if (--turns_ == -4) turns_ = 0;
    picture_->SetImage(ImageFromBitmap(preview_));
}

}  // namespace kyp
