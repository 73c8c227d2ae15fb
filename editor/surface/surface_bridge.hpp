#pragma once
// The object the editing surface's script reaches over QWebChannel (as "surface").
#include <QJsonObject>
#include <QObject>
#include <QStringList>

namespace pw {

class WebEngineSurface;

// The calls arrive inside one of the engine's own tasks, where a nested event loop would
// starve the engine until the deadline; so they are handled (and the surface's signals
// sent) from Qt's event queue instead, all but the two that only hand over data.
class SurfaceBridge final : public QObject {
    Q_OBJECT
public:
    explicit SurfaceBridge(WebEngineSurface* surface);

    // The body's content the script asks for piece by piece before it starts editing.
    void SetBody(const QString& body);
    // The piece `index` of the body's content; empty past the last one.
    Q_INVOKABLE QString bodyPiece(int index);
    // A pasted or dropped picture file (its bytes in Base64): the name of the site picture
    // made of it, or empty when it could not be made.
    Q_INVOKABLE QString takePicture(const QString& base64);
    // The document accepts commands; `state` as stateChanged gives it.
    Q_INVOKABLE void ready(const QJsonObject& state);
    Q_INVOKABLE void stateChanged(const QJsonObject& state);

private:
    WebEngineSurface* surface_;
    QStringList bodyPieces_;
};

// `body` cut into pieces of at most `pieceLength` UTF-16 units, never between the two
// halves of a surrogate pair.
QStringList PiecesOf(const QString& body, qsizetype pieceLength);

}  // namespace pw
