#include "Pictures.h"

#include "DocTree.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

// The pictures live in a static library: their resource must be registered by hand.
static void RegisterPictureResources() {
    Q_INIT_RESOURCE(pagellan);
}

namespace pg {

namespace {

void EnsureResources() {
    static const bool registered = (RegisterPictureResources(), true);
    (void)registered;
}

QPixmap Render(const QString& path, int size) {
    EnsureResources();
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return pixmap;
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}

QIcon IconFromSvg(const QString& path) {
    EnsureResources();
    if (!QFile::exists(path))
        return {};
    QIcon icon;
    for (int size : {16, 24, 32, 48})
        icon.addPixmap(Render(path, size));
    return icon;
}

} // namespace

QIcon TreePicture(int index) {
    static QHash<int, QIcon> cache;
    auto it = cache.find(index);
    if (it == cache.end())
        it = cache.insert(index, IconFromSvg(QStringLiteral(":/pictures/tree%1.svg").arg(index)));
    return *it;
}

QIcon NodeIcon(int image, int state) {
    if (state == kNoStateImage)
        return TreePicture(image);
    static QHash<int, QIcon> cache;
    const int key = image * 100 + state;
    auto it = cache.find(key);
    if (it != cache.end())
        return *it;
    QIcon icon;
    for (int size : {16, 32}) {
        QPixmap pixmap = TreePicture(image).pixmap(size, size);
        QPainter painter(&pixmap);
        const int badge = size * 5 / 8;
        painter.drawPixmap(size - badge, size - badge, TreePicture(state).pixmap(badge, badge));
        icon.addPixmap(pixmap);
    }
    return *cache.insert(key, icon);
}

QPixmap StatusPicture(int index, int size) {
    return Render(QStringLiteral(":/pictures/status%1.svg").arg(index), size);
}

QIcon ToolPicture(const QString& name) {
    return IconFromSvg(QStringLiteral(":/pictures/tool_%1.svg").arg(name));
}

} // namespace pg
