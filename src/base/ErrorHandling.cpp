#include "base/ErrorHandling.h"

#include "base/Seams.h"

#include <new>

QString errorText(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const ZirkError &e) {
        return e.message();
    } catch (const std::bad_alloc &) {
        return QStringLiteral("Out of memory.");
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error.");
    }
}

void showEscapedError(Dialogs &dialogs, QWidget *owner, const std::exception_ptr &error)
{
    dialogs.error(owner, kApplicationTitle, errorText(error));
}
