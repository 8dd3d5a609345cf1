#pragma once

#include <QImage>
#include <QString>

// The application icon, drawn from one list of shapes on a 128-unit square:
// a grass tile with a gravel tile laid over its corner, a blended texture.
// The same shapes become the SVG and every PNG size, so they always agree.
QImage ApplicationIconPicture(int size);
QString ApplicationIconSvg();
