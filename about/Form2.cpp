#include "Form2.h"

#include "Modals.h"
#include "PictureBox.h"
#include "ProgramInfo.h"
#include "Twips.h"

#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <algorithm>

namespace {

using twips::place;
using twips::Place;
using twips::px;

constexpr int kClientWidth = 4065;
constexpr int kClientHeight = 4815;
constexpr int kScreenLeft = 5685;
constexpr int kScreenTop = 3720;

constexpr Place kPicture1{120, 1440, 3855, 3375};
constexpr Place kLabel3{840, 960, 2175, 255};
constexpr Place kLabel2{600, 720, 2655, 255};
constexpr Place kLabel1{720, 360, 2535, 255};

constexpr char kVersionLabel[] = "Quendlestore editor Alpha v 1.02.0002";
constexpr char kCreditLine[] = "by the QuendleStoreEdit team";
constexpr char kProjectLine[] = "a store editor for ROMs";
constexpr char kCaptionPrefix[] = "Quendle store Edit revesion#";
constexpr char kPictureMessage[] = "DONT FREAKIN CLICK ON THE PICTURES!!!";

// The window's font: small, and narrowed as far as needed for every label's text to
// fit the label's fixed width.
constexpr int kFontPixelSize = 11;
constexpr int kStretchStep = 5;

QFont fittingFont(QFont font, const QList<QLabel*>& labels) {
    font.setPixelSize(kFontPixelSize);
    for (int stretch = QFont::Unstretched; stretch >= QFont::ExtraCondensed;
         stretch -= kStretchStep) {
        font.setStretch(stretch);
        const QFontMetrics metrics(font);
        if (std::all_of(labels.begin(), labels.end(), [&](const QLabel* l) {
                return metrics.horizontalAdvance(l->text()) <= l->width();
            }))
            break;
    }
    return font;
}

QLabel* label(const char* name, const char* text, const Place& p, QWidget* parent) {
    auto* l = new QLabel(QString::fromLatin1(text), parent);
    l->setObjectName(QString::fromLatin1(name));
    place(l, p);
    return l;
}

} // namespace

// The art is built into this static library; register it before first use.
static void initAboutResources() {
    Q_INIT_RESOURCE(about);
}

Form2::Form2(Modals& modals) : modals_(modals) {
    initAboutResources();
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(tr("About"));
    QIcon icon;
    for (const char* file : {":/about/form2-16-indexed.png", ":/about/form2-32-indexed.png",
                             ":/about/form2-32-rgb.png"})
        icon.addFile(QString::fromLatin1(file));
    setWindowIcon(icon);

    picture1_ = new PictureBox(QPixmap(QStringLiteral(":/about/picture1.png")), this);
    picture1_->setObjectName(QStringLiteral("Picture1"));
    picture1_->setAccessibleName(tr("Picture"));
    picture1_->setFocusPolicy(Qt::TabFocus);
    place(picture1_, kPicture1);
    label3_ = label("Label3", kProjectLine, kLabel3, this);
    label2_ = label("Label2", kCreditLine, kLabel2, this);
    label1_ = label("Label1", kVersionLabel, kLabel1, this);

    setFont(fittingFont(font(), {label1_, label2_, label3_}));

    connect(picture1_, &PictureBox::click, this, &Form2::Picture1_Click);

    setWindowFlags(twips::kFixedWindowFlags);
    setGeometry(px(kScreenLeft), px(kScreenTop), px(kClientWidth), px(kClientHeight));
    setFixedSize(px(kClientWidth), px(kClientHeight));
}

void Form2::showWindow() {
    if (!isVisible()) {
        Form_Load();
        show();
    }
    raise();
    activateWindow();
}

void Form2::Form_Load() {
    setWindowTitle(QString::fromLatin1(kCaptionPrefix) +
                   QString::number(program::kVersionRevision));
}

void Form2::Picture1_Click() {
    modals_.message(this, QString::fromLatin1(kPictureMessage));
}
