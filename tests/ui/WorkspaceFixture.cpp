#include "WorkspaceFixture.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QTest>

#include <chrono>

namespace {

QCoro::Task<> addThenFlag(AppModel *model, QList<QUrl> urls, bool *done)
{
    QCoro::Task<> adding = model->add(std::move(urls));
    co_await adding;
    *done = true;
}

} // namespace

ModelFixture::ModelFixture()
    : model(std::make_unique<AppModel>(engine.engine(), nullptr))
{
    engine.size = QSizeF(1920, 1080);
    engine.shotIds = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    engine.timeStep = 2.5;
    engine.files = ScriptedEngine::Files::pictures;
}

ModelFixture::~ModelFixture()
{
    engine.releaseAll();
    model->shutdown(std::chrono::seconds(10));
    // Deletes the work folders and the temporary root.
    model->closeAll();
    model.reset();
    // Let suspended continuations see the model gone.
    QTest::qWait(20);
}

bool ModelFixture::add(const QStringList &names)
{
    QList<QUrl> urls;
    for (const QString &name : names)
        urls.append(QUrl::fromLocalFile(QStringLiteral("/videos/") + name));
    bool done = false;
    addThenFlag(model.get(), urls, &done);
    const QDeadlineTimer deadline(5000);
    while (!done && !deadline.hasExpired())
        QTest::qWait(5);
    return done;
}

void ModelFixture::start(qint64 count)
{
    ExtractSettings settings;
    settings.mode = ExtractMode::count;
    settings.count = count;
    model->apply(settings);
}

VideoItem *ModelFixture::item(const QString &name) const
{
    for (VideoItem *v : model->videos()) {
        if (v->info().fileName() == name)
            return v;
    }
    return nullptr;
}
