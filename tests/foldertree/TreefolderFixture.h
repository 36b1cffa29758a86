#pragma once

#include "EventLoopWait.h"
#include "QtPrinters.h"
#include "common/PathRules.h"
#include "foldertree/TreeNode.h"
#include "foldertree/Treefolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

// A machine in a temporary folder: two volumes, a desktop and a documents folder on the first,
// and a third volume that the tests may leave without its medium.
//
//   vol1/  Empty/  Media/Live/  home/Desktop/{alpha/inner, Beta, Zeta}
//          home/Documents/{Empty, Music/Rock}   .hidden/sub   notes.txt   broken -> missing
//   vol2/  Data/
class TreefolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp.isValid());
        root = QDir::toNativeSeparators(temp.path());
        for (const char* folder :
             {"vol1/Empty", "vol1/Media/Live", "vol1/home/Desktop/alpha/inner",
              "vol1/home/Desktop/Beta", "vol1/home/Desktop/Zeta", "vol1/home/Documents/Empty",
              "vol1/home/Documents/Music/Rock", "vol1/.hidden/sub", "vol2/Data"})
            ASSERT_TRUE(QDir().mkpath(p(folder)));
        QFile notes(p("vol1/notes.txt"));
        ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
        ASSERT_TRUE(QFile::link(p("vol1/missing"), p("vol1/broken")));
        volumes = {
            {p("vol1") + QDir::separator(), QStringLiteral("Disk"), QStringLiteral("Drive")},
            {p("vol2") + QDir::separator(), QStringLiteral("usb stick"), QStringLiteral("Floppy")}};
        tree = std::make_unique<tunewalk::Treefolder>(environment());
        tree->resize(320, 480);
        tree->show();
        record();
    }

    tunewalk::TreefolderEnvironment environment() {
        return {p("vol1/home/Desktop"), p("vol1/home/Documents"), [this] { return volumes; }};
    }

    // The full path of a folder of the machine, and its key.
    QString p(const QString& relative) const {
        return QDir::toNativeSeparators(root + u'/' + relative);
    }
    QString k(const QString& relative) const { return tunewalk::pathKey(p(relative)); }
    QString volumeKey(const QString& relative) const { return k(relative) + QDir::separator(); }
    QString desktopKey() const { return QStringLiteral("DT_") + k("vol1/home/Desktop"); }
    QString documentsKey() const { return QStringLiteral("MD_") + k("vol1/home/Documents"); }

    QTreeWidgetItem* node(const QString& key) const { return tree->node(key); }
    // Expands a node and waits until its children know whether they have sub-folders.
    void expand(const QString& key) {
        ASSERT_NE(node(key), nullptr) << key.toStdString();
        node(key)->setExpanded(true);
        marksIn();
    }
    void marksIn() {
        ASSERT_TRUE(waitUntil([this] { return !tree->probesPending(); }));
    }
    QStringList childTexts(const QString& key) const {
        QStringList texts;
        if (QTreeWidgetItem* parent = node(key)) {
            for (int i = 0; i < parent->childCount(); ++i)
                texts << parent->child(i)->text(0);
        }
        return texts;
    }
    QString selectedKey() const { return tunewalk::TreeNode::key(tree->SelectedItem()); }

    // Clicks a node's label with the mouse, as the user does.
    void click(QTreeWidgetItem* target) {
        QTreeWidget* view = tree->Nodes();
        view->scrollToItem(target);
        const QRect rect = view->visualItemRect(target);
        ASSERT_TRUE(rect.isValid());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    }

    // A key as events show it: with the temporary folder cut out.
    QString shown(QString key) const { return key.replace(root, QString()); }

    // The events the host sees, in order.
    void record() {
        using tunewalk::Treefolder;
        const auto nodeEvent = [this](const QString& event) {
            return [this, event](QTreeWidgetItem* n) {
                events << event + u' ' + shown(tunewalk::TreeNode::key(n));
            };
        };
        const auto plainEvent = [this](const QString& event) {
            return [this, event] { events << event; };
        };
        QObject::connect(tree.get(), &Treefolder::NodeClick, nodeEvent("NodeClick"));
        QObject::connect(tree.get(), &Treefolder::Expand, nodeEvent("Expand"));
        QObject::connect(tree.get(), &Treefolder::Collapse, nodeEvent("Collapse"));
        QObject::connect(tree.get(), &Treefolder::PathChanged, [this](bool toDesktop) {
            events << (toDesktop ? "PathChanged desktop" : "PathChanged folder");
        });
        QObject::connect(tree.get(), &Treefolder::MyComputerClicked,
                         plainEvent("MyComputerClicked"));
        QObject::connect(tree.get(), &Treefolder::DriveNotReadyError,
                         plainEvent("DriveNotReadyError"));
    }

    QTemporaryDir temp;
    QString root;
    QList<tunewalk::TreeVolume> volumes;
    std::unique_ptr<tunewalk::Treefolder> tree;
    QStringList events;
};
