#include "basics/Logging.h"

Q_LOGGING_CATEGORY(logMedia, "framelark.media", QtCriticalMsg)
Q_LOGGING_CATEGORY(logModel, "framelark.model", QtCriticalMsg)
Q_LOGGING_CATEGORY(logShare, "framelark.share", QtCriticalMsg)
