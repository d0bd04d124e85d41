#pragma once

#include "core/richtext/WebArchive.h"

#include <QTextDocument>
#include <map>
#include <string>

namespace snipstack {

// A document for imported HTML whose resources come only from data URLs and the web archive it
// was read from: nothing is fetched from the network or read from disk. A missing image becomes
// a transparent placeholder drawn at the size the page gives it.
class ResourceDocument : public QTextDocument {
public:
    using Subresources = std::map<std::string, richtext::WebResource, std::less<>>;

    explicit ResourceDocument(Subresources subresources = {}, QObject* parent = nullptr);

    // Whether `image` stands in for a resource that was not served.
    static bool isPlaceholder(const QImage& image);

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    Subresources subresources_;
};

} // namespace snipstack
