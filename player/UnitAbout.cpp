#include "UnitAbout.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include "GeneralErrorReport.h"

namespace kel {

namespace {

constexpr int kClientWidth = 480;
constexpr int kClientHeight = 300;
constexpr int kAuthorHeight = 400;
const QColor kButtonFace(212, 208, 200);

// The product's banner: a blue field with the logo, a ring of light around a play mark, and
// the product's name.
QPixmap BannerPicture() {
    QImage picture(kClientWidth, 100, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, kClientWidth, 100);
    sky.setColorAt(0, QColor(18, 64, 140));
    sky.setColorAt(1, QColor(64, 150, 214));
    painter.fillRect(picture.rect(), sky);

    painter.setPen(QPen(QColor(255, 214, 80), 5));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(60, 50), 30, 30);
    QPainterPath play;
    play.moveTo(50, 34);
    play.lineTo(76, 50);
    play.lineTo(50, 66);
    play.closeSubpath();
    painter.fillPath(play, Qt::white);

    QFont title(QString::fromUtf8("黑体"));
    title.setPixelSize(34);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(Qt::white);
    painter.drawText(QRect(110, 14, 360, 44), Qt::AlignLeft | Qt::AlignVCenter, "Lumivo");
    QFont subtitle(QString::fromUtf8("宋体"));
    subtitle.setPixelSize(16);
    painter.setFont(subtitle);
    painter.drawText(QRect(112, 58, 360, 26), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromUtf8("Korvat教育 多媒体教学软件"));
    painter.end();
    return QPixmap::fromImage(picture);
}

QLabel* TextAt(const char* text, int left, int top, QWidget* parent) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->move(left, top);
    return label;
}

QPushButton* ButtonAt(const char* caption, int left, int top, QWidget* parent) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setGeometry(left, top, 75, 23);
    return button;
}

}  // namespace

TfrmAbout::TfrmAbout(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      Image1(new QLabel(this)),
      Label1(TextAt("Korvat教育Lumivo多媒体教学软件   Lumivo Multimedia Teaching Software", 40, 130,
                    this)),
      Label2(TextAt("版本 v4.0", 40, 154, this)),
      Label3(TextAt("播放课件包中的动画、视频、图片、网页和文档，", 40, 178, this)),
      Label4(TextAt("并提供屏幕标注和电子板书等课堂工具。", 40, 202, this)),
      Bevel1(new QWidget(this)),
      btnAuthor(ButtonAt("制作群", 270, 263, this)),
      btnOK(ButtonAt("确定", 365, 263, this)),
      moAuthor(new QPlainTextEdit(this)) {
    QFont font(QString::fromUtf8("宋体"));
    font.setPixelSize(12);
    setFont(font);
    for (QLabel* label : {Label1, Label2, Label3, Label4})
        label->adjustSize();
    QPalette face = palette();
    face.setColor(QPalette::Window, kButtonFace);
    setPalette(face);
    setAutoFillBackground(true);
    setFixedSize(kClientWidth, kClientHeight);
    // Centred on the screen, placed here: Qt would centre it over the owner with a guessed frame.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect centred = rect();
        centred.moveCenter(screen->geometry().center());
        setGeometry(centred);
    }

    Image1->setGeometry(0, 0, kClientWidth, 100);
    Image1->setPixmap(BannerPicture());
    Bevel1->setGeometry(40, 248, 400, 1);
    QPalette rule = Bevel1->palette();
    rule.setColor(QPalette::Window, QColor(128, 128, 128));
    Bevel1->setPalette(rule);
    Bevel1->setAutoFillBackground(true);
    btnAuthor->hide();
    btnOK->setDefault(true);
    moAuthor->setGeometry(40, 300, 400, 85);
    moAuthor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnAuthor, &QPushButton::clicked, this,
            [this] { RunGuarded([this] { btnAuthorClick(); }); });
    FormCreate();
}

void TfrmAbout::FormCreate() {
    setWindowTitle(QString::fromUtf8("关于 ") + QString::fromUtf8(kApplicationTitle));
}

void TfrmAbout::btnAuthorClick() {
    setFixedSize(kClientWidth, height() == kAuthorHeight ? kClientHeight : kAuthorHeight);
}

}  // namespace kel
