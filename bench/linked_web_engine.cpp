// Linked into measure_update_page_linked only: the program as it would be
// with the web engine linked in rather than loaded on the first request. The
// reference keeps the linker from dropping the library.
#include <QWebEngineProfile>

extern const QMetaObject* const linkedWebEngine;
const QMetaObject* const linkedWebEngine = &QWebEngineProfile::staticMetaObject;
