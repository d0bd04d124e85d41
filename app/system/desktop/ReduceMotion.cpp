#include "app/system/desktop/ReduceMotion.h"

#include <gio/gio.h>

namespace snipstack {

namespace {

constexpr const char* interfaceSchema = "org.gnome.desktop.interface";

// GSettings aborts the program for a schema that is not installed, so it is looked up first. The
// settings object is kept: dconf reads later values from shared memory without a round trip.
GSettings* interfaceSettings() {
    static GSettings* settings = []() -> GSettings* {
        GSettingsSchemaSource* source = g_settings_schema_source_get_default();
        if (!source) {
            return nullptr;
        }
        GSettingsSchema* schema = g_settings_schema_source_lookup(source, interfaceSchema, TRUE);
        if (!schema) {
            return nullptr;
        }
        const bool hasKey = g_settings_schema_has_key(schema, "enable-animations");
        g_settings_schema_unref(schema);
        return hasKey ? g_settings_new(interfaceSchema) : nullptr;
    }();
    return settings;
}

} // namespace

bool reduceMotion() {
    GSettings* settings = interfaceSettings();
    return settings && !g_settings_get_boolean(settings, "enable-animations");
}

} // namespace snipstack
