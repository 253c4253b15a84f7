#include "engine/Logging.h"

Q_LOGGING_CATEGORY(logEngine, "framelark.engine", QtCriticalMsg)
Q_LOGGING_CATEGORY(logMedia, "framelark.media", QtCriticalMsg)
Q_LOGGING_CATEGORY(logModel, "framelark.model", QtCriticalMsg)
Q_LOGGING_CATEGORY(logExport, "framelark.export", QtCriticalMsg)
Q_LOGGING_CATEGORY(logShare, "framelark.share", QtCriticalMsg)
Q_LOGGING_CATEGORY(logUi, "framelark.ui", QtCriticalMsg)
Q_LOGGING_CATEGORY(logApp, "framelark.app", QtCriticalMsg)
