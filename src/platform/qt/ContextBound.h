// How the Qt backend keeps a callback from outliving what it works on: the owner holds a QObject
// as the context of everything it hands out. A Qt connection takes it as its context object, and
// Qt cuts the connection when it goes; a plain callback is bound to it here, and does nothing once
// it has gone.
#pragma once

#include <QObject>
#include <QPointer>
#include <utility>

namespace vedodud::qt {

template <class Callback>
auto BoundTo(const QObject* context, Callback callback) {
    return [context = QPointer<const QObject>(context), callback = std::move(callback)](auto&&... arguments) {
        if (context) callback(std::forward<decltype(arguments)>(arguments)...);
    };
}

}  // namespace vedodud::qt
