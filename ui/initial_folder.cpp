#include "ui/initial_folder.h"

#include <QDir>

namespace ornetta::ui {

QString InitialFolder(const QString& text) {
  if (text.isEmpty()) return ".";
  QString t = text;
  t.replace('/', '\\');
  const qsizetype last = t.lastIndexOf('\\');
  if (last >= 0) return t.left(last);
  return t.left(1) + ":\\";
}

QString LocalInitialFolder(const QString& text, const QString& fallback) {
  QString folder = InitialFolder(text);
  folder.replace('\\', '/');
  if (folder.isEmpty() && text.startsWith('/')) folder = "/";
  return !folder.isEmpty() && QDir(folder).exists() ? QDir(folder).absolutePath() : fallback;
}

}  // namespace ornetta::ui
