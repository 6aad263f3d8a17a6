#include "platform/errors.h"

#include <new>

namespace zul {

QString describeCurrentException() {
    try {
        throw;
    } catch (const ZulError& e) {
        return e.message();
    } catch (const std::bad_alloc&) {
        return QStringLiteral("メモリが不足しています。");
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("不明な例外");
    }
}

}  // namespace zul
