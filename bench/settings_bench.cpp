#include "platform/IniSettingsStore.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

const QString kKey = QStringLiteral("Software\\Kalmoro\\Quillant");

// A settings file of the largest size the store reads, all distinct keys,
// ours at the end. Argument: 0 one read, 1 one write of the five values.
void BM_SettingsFileOfDistinctKeys(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/Quillant.conf";
    QByteArray bytes("[General]\n");
    for (int i = 0; bytes.size() < platform::IniSettingsStore::kMaxFileBytes - 100; ++i)
        bytes += "k" + QByteArray::number(i) + "=" + QByteArray::number(i) + "\n";
    bytes += "Installed=1\nLeft=900\n";
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        state.SkipWithError("cannot write the settings file");
    f.close();
    platform::IniSettingsStore store(path);
    const platform::SettingsStore::Values values{{"AlwaysOnTop", "-1"},
                                                 {"Orientation", "0"},
                                                 {"Left", "900"},
                                                 {"Top", "900"},
                                                 {"Size", "9000"}};
    for (auto _ : state) {
        if (state.range(0) == 0)
            benchmark::DoNotOptimize(store.read(kKey, "Left"));
        else
            benchmark::DoNotOptimize(store.writeAll(kKey, values));
    }
}
BENCHMARK(BM_SettingsFileOfDistinctKeys)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
