#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <QPainter>

#include <gtest/gtest.h>

namespace pellavane::testing {

/** The bytes of a small .cur file: an .ico file with type 2 and the hot spot where an icon keeps
 *  planes and depth. */
inline QByteArray CursorFileBytes(int hotX, int hotY)
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter(&image).fillRect(0, 0, 8, 8, Qt::black);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "ico");
    EXPECT_TRUE(writer.write(image)) << writer.errorString().toStdString();
    QByteArray bytes = buffer.data();
    bytes[2] = 2;
    bytes[6 + 4] = static_cast<char>(hotX);
    bytes[6 + 5] = 0;
    bytes[6 + 6] = static_cast<char>(hotY);
    bytes[6 + 7] = 0;
    return bytes;
}

} // namespace pellavane::testing
