#include "AboutWindow.h"

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

constexpr Place kPicturePlace{120, 1440, 3855, 3375};
constexpr Place kProjectLabelPlace{840, 960, 2175, 255};
constexpr Place kCreditLabelPlace{600, 720, 2655, 255};
constexpr Place kVersionLabelPlace{720, 360, 2535, 255};

// The label names the release the About window was drawn for, never updated since;
// the program's own version (--version, the caption's revision) comes from the build.
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

AboutWindow::AboutWindow(Modals& modals) : modals_(modals) {
    initAboutResources();
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(tr("About"));
    QIcon icon;
    for (const char* file : {":/about/form2-16-indexed.png", ":/about/form2-32-indexed.png",
                             ":/about/form2-32-rgb.png"})
        icon.addFile(QString::fromLatin1(file));
    setWindowIcon(icon);

    picture_ = new PictureBox(QPixmap(QStringLiteral(":/about/picture1.png")), this);
    picture_->setObjectName(QStringLiteral("Picture1"));
    picture_->setAccessibleName(tr("Picture"));
    picture_->setFocusPolicy(Qt::TabFocus);
    place(picture_, kPicturePlace);
    projectLabel_ = label("Label3", kProjectLine, kProjectLabelPlace, this);
    creditLabel_ = label("Label2", kCreditLine, kCreditLabelPlace, this);
    versionLabel_ = label("Label1", kVersionLabel, kVersionLabelPlace, this);

    setFont(fittingFont(font(), {versionLabel_, creditLabel_, projectLabel_}));

    connect(picture_, &PictureBox::click, this, &AboutWindow::onPictureClicked);

    setWindowFlags(twips::kFixedWindowFlags);
    setGeometry(px(kScreenLeft), px(kScreenTop), px(kClientWidth), px(kClientHeight));
    setFixedSize(px(kClientWidth), px(kClientHeight));
}

void AboutWindow::showWindow() {
    if (!isVisible()) {
        showRevision();
        show();
    }
    raise();
    activateWindow();
}

void AboutWindow::showRevision() {
    setWindowTitle(QString::fromLatin1(kCaptionPrefix) +
                   QString::number(program::kVersionRevision));
}

void AboutWindow::onPictureClicked() {
    modals_.message(this, QString::fromLatin1(kPictureMessage));
}
