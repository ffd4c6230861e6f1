# SPDX-License-Identifier: GPL-3.0-or-later
# Proxies for the NetworkManager interfaces that NetworkManagerList uses, generated from the
# checked-in introspection files. Included from src/platform/CMakeLists.txt.
set(nm_proxy_sources)
macro(ampora_nm_proxy xml class)
    string(TOLOWER "${class}" basename)
    set_source_files_properties(networkmanager/${xml} PROPERTIES
        NO_NAMESPACE ON CLASSNAME ${class} INCLUDE NetworkManagerSettings.h)
    qt_add_dbus_interface(nm_proxy_sources networkmanager/${xml} ${basename})
endmacro()
ampora_nm_proxy(org.freedesktop.NetworkManager.xml NetworkManagerProxy)
ampora_nm_proxy(org.freedesktop.NetworkManager.Settings.xml NetworkManagerSettingsProxy)
ampora_nm_proxy(org.freedesktop.NetworkManager.Settings.Connection.xml NetworkManagerConnectionProxy)
ampora_nm_proxy(org.freedesktop.NetworkManager.Connection.Active.xml NetworkManagerActiveProxy)
target_sources(ampora_platform PRIVATE ${nm_proxy_sources})
target_include_directories(ampora_platform PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
