// A Qt plugin planted beside a program under a name Qt would look for there. Loading
// it runs its constructor, which leaves a line in $ZEL_PLANTED_MARKER and ends the
// process with a telltale exit code: a program that loads it never gets further.
#include <QObject>
#include <QtPlugin>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#if ZEL_PLANTED_STYLE
#include <QStylePlugin>
#else
#include <qpa/qplatformintegrationplugin.h>
#endif

namespace {

__attribute__((constructor)) void Telltale() {
  if (const char* marker = std::getenv("ZEL_PLANTED_MARKER")) {
    if (FILE* file = std::fopen(marker, "a")) {
      std::fprintf(file, "loaded %s\n", ZEL_PLANTED_NAME);
      std::fclose(file);
    }
  }
  _exit(ZEL_PLANTED_EXIT_CODE);
}

}  // namespace

class TPlantedPlugin : public QObject {
  Q_OBJECT
#if ZEL_PLANTED_STYLE
  Q_PLUGIN_METADATA(IID QStyleFactoryInterface_iid FILE "planted-style.json")
#else
  Q_PLUGIN_METADATA(IID QPlatformIntegrationFactoryInterface_iid FILE "planted-platform.json")
#endif
};

#include "planted_plugin.moc"
