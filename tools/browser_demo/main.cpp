// A window that hosts the browser control and shows the last file it reported.
//   browser_demo [ROOT [START_FOLDER]] [--thumbs]
// Thumbnail caches go to a "Thumb" folder under $XIMORA_DEMO_DATA (default /tmp/ximora-demo).

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "browser/utrp.h"
#include "util/qt_messages.h"
#include "util/shared_values.h"

using ximora::browser::uTrP;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ximora::util::useQtMessageBoxes();
    QStringList args = app.arguments().mid(1);
    const bool thumbs = args.removeAll(QStringLiteral("--thumbs")) > 0;
    const QString root = args.value(0, QDir::homePath());
    const QString start = args.value(1, root);

    auto& shared = ximora::util::shared();
    shared.sUsrDir = qEnvironmentVariable("XIMORA_DEMO_DATA", QStringLiteral("/tmp/ximora-demo"));
    if (!shared.sUsrDir.endsWith(u'/')) shared.sUsrDir += u'/';
    QDir().mkpath(shared.sUsrDir + QStringLiteral("Thumb"));
    shared.bAppAct = true;

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("uTrP"));
    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    auto* browser = new uTrP;
    layout->addWidget(browser, 1);

    auto* buttons = new QHBoxLayout;
    auto* thumbMode = new QCheckBox(QStringLiteral("ｻﾑﾈｲﾙ"));
    auto* layoutButton = new QPushButton(QStringLiteral("ｻｲｽﾞ等"));
    auto* cleanButton = new QPushButton(QStringLiteral("不要なｻﾑﾈｲﾙの削除"));
    auto* previous = new QPushButton(QStringLiteral("前"));
    auto* next = new QPushButton(QStringLiteral("次"));
    for (QWidget* w : {static_cast<QWidget*>(thumbMode), static_cast<QWidget*>(layoutButton),
                       static_cast<QWidget*>(cleanButton), static_cast<QWidget*>(previous),
                       static_cast<QWidget*>(next)})
        buttons->addWidget(w);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    auto* chosen = new QLabel(QStringLiteral("eSlcFile: -"));
    chosen->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(chosen);
    window.setCentralWidget(central);
    shared.mainWindow = &window;

    QObject::connect(browser, &uTrP::eSlcFile, chosen,
                     [chosen](const QString& path) { chosen->setText("eSlcFile: " + path); });
    QObject::connect(browser, &uTrP::eCngDr, &window, [&window](const QString& path) {
        window.statusBar()->showMessage("eCngDr: " + path);
    });
    QObject::connect(browser, &uTrP::eRClick, &window, [&window](bool onTree) {
        window.statusBar()->showMessage(onTree ? "eRClick: tree" : "eRClick: files");
    });
    QObject::connect(browser, &uTrP::eDelKeyF, &window,
                     [&window] { window.statusBar()->showMessage("eDelKeyF"); });
    QObject::connect(thumbMode, &QCheckBox::toggled, browser, &uTrP::setShwThmb);
    QObject::connect(layoutButton, &QPushButton::clicked, browser,
                     [browser] { browser->SetThmb(); });
    QObject::connect(cleanButton, &QPushButton::clicked, browser, &uTrP::CleanThmb);
    QObject::connect(previous, &QPushButton::clicked, browser, [browser] { browser->MoveNxt(-1); });
    QObject::connect(next, &QPushButton::clicked, browser, [browser] { browser->MoveNxt(1); });

    window.resize(420, 760);
    window.show();
    browser->cOn(root, start, true, QString());
    thumbMode->setChecked(thumbs);
    const int result = app.exec();
    browser->cOff();
    return result;
}
