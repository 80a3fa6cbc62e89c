#include "storage/ErrorDescription.h"

#include "model/StorageError.h"
#include "storage/SQLiteFailure.h"

#include <stdexcept>

namespace ostrel {

QString descriptionOf(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const StorageError &storage) {
        return storage.errorDescription();
    } catch (const SQLiteFailure &failure) {
        return failure.errorDescription();
    } catch (const std::exception &other) {
        return QString::fromLocal8Bit(other.what());
    } catch (...) {
        return QStringLiteral("An unknown error occurred.");
    }
}

} // namespace ostrel
