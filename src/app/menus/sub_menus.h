#pragma once
// The menus of the sub picture window: the "ﾌｧｲﾙ" and "画像編集" parts of the menu tree that
// edit a picture, with the same items, groups and jobs as in `ppPic`. Which parts belong here
// is one table in sub_menus.cpp.

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QAction;
class QMenu;
class QMenuBar;

namespace ximora::app {

class SubMenus : public QObject {
    Q_OBJECT
  public:
    /// Receives the pair of a chosen item: group, job (cut before "(&").
    using Chosen = std::function<void(const QString& group, const QString& job)>;

    /// Builds the menus into `bar`.
    SubMenus(QMenuBar* bar, Chosen chosen);

    /// Item `index` of the item array `array` ("mnEdt", 8); null when this window lacks it.
    QAction* item(const QString& array, int index) const;
    /// The menu of top item `top` (1 "ﾌｧｲﾙ", 3 "画像編集"); null for any other.
    QMenu* topMenu(int top) const;
    /// The registered-range items, one per name, before the fixed range items.
    void setRegisteredRanges(const QStringList& names);

  private:
    QAction* addItem(QMenu* menu, const QString& caption, const QString& group, const QString& job,
                     QAction* before = nullptr);

    QHash<QString, QAction*> items_;
    QHash<int, QMenu*> tops_;
    QList<QAction*> ranges_;
    Chosen chosen_;
};

}  // namespace ximora::app
