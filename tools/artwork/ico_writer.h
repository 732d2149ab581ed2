// Writes a Windows icon file holding several 16-colour images.
#pragma once

#include <QImage>
#include <QString>
#include <vector>

// Each image must be Format_Indexed8 with at most 16 colours; colour index 0 stands for
// transparent pixels in the mask when `transparent0` is set.
bool WriteIco16Colours(const QString& path, const std::vector<QImage>& images, bool transparent0);
