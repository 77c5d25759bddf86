#!/usr/bin/env python3
"""Writes host/bridge/glue/*.hpp: for each SDK interface the in-memory host implements, a C++ class
with one virtual method per vtable slot (the SDK's own name and arguments, without `self`) and the
static stubs that fill the C vtable. Run again after adding an interface to INTERFACES."""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
INCLUDE = os.path.join(ROOT, 'sdk', 'include')
OUT = os.path.join(ROOT, 'host', 'bridge', 'glue')

# Header -> interfaces of that header the host serves.
INTERFACES = {
    'lxcom.h': ['GUIDService'],
    'lxthread.h': ['ThreadService', 'ThreadMutex'],
    'lxmesh.h': ['MeshService', 'Mesh', 'Point', 'Polygon', 'Edge', 'MeshMap'],
    'lxlayer.h': ['LayerService', 'LayerScan'],
    'lxitem.h': ['SceneService', 'Scene', 'Item'],
    'lxlocator.h': ['Locator'],
    'lxaction.h': ['ChannelRead', 'ChannelWrite'],
    'lxselect.h': ['SelectionService'],
    'lxseltypes.h': ['VertexPacketTranslation', 'EdgePacketTranslation', 'PolygonPacketTranslation',
                     'ItemPacketTranslation', 'ScenePacketTranslation'],
    'lxvalue.h': ['ValueService', 'Value', 'StringConversion', 'StringTag', 'ValueArray', 'Matrix', 'Attributes',
                  'Message'],
    'lxmessage.h': ['MessageService'],
    'lxcommand.h': ['CommandService', 'Command', 'UIHints', 'CommandEvent'],
    'lxnotify.h': ['NotifySysService', 'Notifier'],
    'lxlog.h': ['LogService', 'Log', 'LogEntry'],
    'lxio.h': ['Monitor'],
    'lxstddialog.h': ['StdDialogService'],
    'lxscripts.h': ['PlatformService'],
    'lxvector.h': ['PacketService', 'VectorType', 'VectorStack'],
    'lxhandles.h': ['EventTranslatePacket', 'HandleDraw'],
    'lxvmodel.h': ['AdjustTool'],
    'lxdraw.h': ['StrokeDraw', 'View'],
}

METHOD = re.compile(r'LXxMETHOD\s*\(\s*(.+?)\s*,\s*(\w+)\s*\)\s*\((.*?)\)\s*;', re.S)


def vtable(text, name):
    m = re.search(r'typedef\s+struct\s+vt_ILx%s\s*\{(.*?)\}\s*ILx%s\s*;' % (name, name), text, re.S)
    if not m:
        sys.exit('no vtable ILx%s' % name)
    body = re.sub(r'//[^\n]*', '', m.group(1))
    if not re.match(r'\s*ILxUnknown\s+iunk\s*;', body):
        sys.exit('ILx%s does not start with iunk' % name)
    return [(ret.strip(), meth, split_args(args)) for ret, meth, args in METHOD.findall(body)]


def split_args(args):
    parts = [' '.join(a.split()) for a in args.split(',')]
    assert parts[0].endswith('self'), parts
    out = []
    for i, a in enumerate(parts[1:]):
        name = re.search(r'(\w+)\s*(\[[^\]]*\]\s*)*$', a)
        if not name or name.group(1) in ('int', 'unsigned', 'double', 'float') or re.fullmatch(r'[\w\s]*\*+', a):
            a, arg = a + ' a%d' % i, 'a%d' % i
        else:
            arg = name.group(1)
        out.append((a, arg))
    return out


def guid(text, name):
    m = re.search(r'#define\s+LXu_%s\s+"([0-9A-Fa-f-]+)"' % name.upper(), text)
    if not m:
        sys.exit('no GUID LXu_%s' % name.upper())
    h = m.group(1).replace('-', '')
    b = [int(h[i:i + 2], 16) for i in range(16, 32, 2)]
    return '{0x%s, {0x%s, 0x%s}, {%s}}' % (h[0:8], h[8:12], h[12:16], ', '.join('0x%02X' % x for x in b))


def default(ret):
    if ret == 'LxResult':
        return 'return LXe_NOTIMPL;'
    return '' if ret == 'void' else 'return {};'


def failure(ret):
    if ret == 'LxResult':
        return 'return LXe_FAILED;'
    return 'return;' if ret == 'void' else 'return {};'


def emit_interface(name, methods, g):
    cls = 'Ifc' + name
    lines = ['/// ILx%s: one virtual per slot; an object serves the interface by deriving from this class.' % name,
             'class %s : public virtual ComBase {' % cls, 'public:',
             '    static constexpr LXtGUID kGuid = %s;' % g]
    for ret, meth, args in methods:
        decl = ', '.join(a for a, _ in args)
        lines.append('    virtual %s %s(%s) { %s }' % (ret, meth, decl, default(ret)))
    lines += ['', 'protected:', '    %s() { Offer(kGuid, &m_slot); }' % cls, '',
              'private:', '    struct SdkTable {', '        ILx%s vt;' % name, '        SdkTable() {',
              '            vt.iunk = UnknownTable();']
    for _, meth, _ in methods:
        lines.append('            vt.%s = &Stub_%s;' % (meth, meth))
    lines += ['        }', '    };', '    static %s *Self(LXtObjectID obj) { return static_cast<%s *>(SlotOwner(obj)); }' % (cls, cls)]
    for ret, meth, args in methods:
        params = ', '.join(['LXtObjectID obj'] + [a for a, _ in args])
        call = 'Self(obj)->%s(%s)' % (meth, ', '.join(n for _, n in args))
        body = ('%s;' % call) if ret == 'void' else ('return %s;' % call)
        lines.append('    static %s Stub_%s(%s) {' % (ret, meth, params))
        lines.append('        try { %s } catch (...) { NoteEscape("ILx%s::%s"); %s }' % (body, name, meth, failure(ret)))
        lines.append('    }')
    lines += ['    static const ILxUnknown *Vt() {', '        static const SdkTable table;',
              '        return &table.vt.iunk;', '    }',
              '    ComSlot m_slot{Vt(), static_cast<%s *>(this), static_cast<ComBase *>(this)};' % cls, '};', '']
    return lines


def main():
    os.makedirs(OUT, exist_ok=True)
    for header, names in INTERFACES.items():
        text = open(os.path.join(INCLUDE, header)).read()
        base = os.path.splitext(header)[0][2:]
        out = ['// Generated by scripts/gen_host_glue.py from sdk/include/%s: do not edit.' % header,
               '#pragma once', '#include "host/guard.hpp"', '', '#include <%s>' % header, '',
               '#include "host/bridge/com_base.hpp"', '', 'namespace gorva::host {', '']
        for name in names:
            out += emit_interface(name, vtable(text, name), guid(text, name))
        out += ['}  // namespace gorva::host', '']
        with open(os.path.join(OUT, 'glue_%s.hpp' % base), 'w') as f:
            f.write('\n'.join(out))


if __name__ == '__main__':
    main()
