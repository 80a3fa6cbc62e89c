#include "storage/ErrorDescription.h"

#include "model/StorageError.h"
#include "storage/FileSystem.h"
#include "storage/SQLiteFailure.h"

#include <stdexcept>
#include <system_error>

namespace ostrel {

QString descriptionOf(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const StorageError &storage) {
        return storage.errorDescription();
    } catch (const SQLiteFailure &failure) {
        return failure.described();
    } catch (const std::system_error &system) {
        if (system.code().category() == std::generic_category()) {
            return errorText(system.code().value());
        }
        return QString::fromLocal8Bit(system.what());
    } catch (const std::exception &other) {
        return QString::fromLocal8Bit(other.what());
    } catch (...) {
        return QStringLiteral("An unknown error occurred.");
    }
}

} // namespace ostrel
