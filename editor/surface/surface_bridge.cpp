#include "editor/surface/surface_bridge.hpp"

#include <algorithm>

#include "editor/surface/webengine_surface.hpp"

namespace pw {
namespace {

// The engine gets the body's content in pieces of this many UTF-16 units (see LoadDocument).
constexpr qsizetype kBodyPiece = 1024 * 1024;

}  // namespace

QStringList PiecesOf(const QString& body, qsizetype pieceLength) {
    QStringList pieces;
    for (qsizetype at = 0; at < body.size();) {
        qsizetype length = std::min(pieceLength, body.size() - at);
        if (at + length < body.size() && body[at + length - 1].isHighSurrogate()) --length;
        pieces.append(body.mid(at, length));
        at += length;
    }
    return pieces;
}

SurfaceBridge::SurfaceBridge(WebEngineSurface* surface) : QObject(surface), surface_(surface) {}

void SurfaceBridge::SetBody(const QString& body) { bodyPieces_ = PiecesOf(body, kBodyPiece); }

QString SurfaceBridge::bodyPiece(int index) {
    const QString piece = bodyPieces_.value(index);
    if (piece.isEmpty()) bodyPieces_.clear();  // all handed over
    return piece;
}

QString SurfaceBridge::takePicture(const QString& base64) {
    return surface_->TakePicture(QByteArray::fromBase64(base64.toLatin1()));
}

void SurfaceBridge::ready(const QJsonObject& state) {
    QMetaObject::invokeMethod(
        surface_, [this, state] { surface_->OnReady(state.toVariantMap()); }, Qt::QueuedConnection);
}

void SurfaceBridge::stateChanged(const QJsonObject& state) {
    QMetaObject::invokeMethod(
        surface_, [this, state] { surface_->TakeState(state.toVariantMap()); }, Qt::QueuedConnection);
}

}  // namespace pw
