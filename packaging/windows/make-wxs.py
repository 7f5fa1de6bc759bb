#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the WiX source of Skyvane's installer for wixl from a laid-out program folder.

    make-wxs.py FOLDER MSI-VERSION OUTPUT.wxs     (then wixl in OUTPUT's folder)

Every file of FOLDER goes to "Program Files\\Skyvane" (subfolders kept); the Start menu gets
"Skyvane" with the program's icon. The upgrade code never changes, so a newer installer
replaces an older one (and an older one refuses to replace a newer).
"""
import hashlib
import os
import sys
from xml.sax.saxutils import quoteattr

UPGRADE_CODE = "8B1E6F0A-5C3D-4E7B-9A21-6D4F2C8E1B57"


def ident(prefix, relative):
    """An identifier of at most 72 characters, the same for the same path in every build."""
    return prefix + hashlib.sha1(relative.encode()).hexdigest()[:32]


def main():
    folder, version, output = sys.argv[1:4]
    folder = os.path.abspath(folder)
    # wixl takes sources relative to the folder it runs in: the output's.
    base = os.path.dirname(os.path.abspath(output))
    lines = []
    components = []

    def directory(path, indent):
        entries = sorted(os.listdir(path))
        for name in entries:
            full = os.path.join(path, name)
            relative = os.path.relpath(full, folder)
            if os.path.isdir(full):
                continue
            cid = ident("c", relative)
            components.append(cid)
            lines.append(
                f'{indent}<Component Id="{cid}" Guid="*" Win64="yes">'
                f'<File Id="{ident("f", relative)}" Name={quoteattr(name)} '
                f'Source={quoteattr(os.path.relpath(full, base))} KeyPath="yes"/></Component>')
        for name in entries:
            full = os.path.join(path, name)
            if os.path.isdir(full):
                relative = os.path.relpath(full, folder)
                lines.append(f'{indent}<Directory Id="{ident("d", relative)}" '
                             f'Name={quoteattr(name)}>')
                directory(full, indent + "  ")
                lines.append(f"{indent}</Directory>")

    directory(folder, "          ")
    icon = os.path.relpath(os.path.join(folder, "skyvane.ico"), base)
    refs = "\n".join(f'      <ComponentRef Id="{c}"/>' for c in components)
    files = "\n".join(lines)
    text = f"""<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="Skyvane" Language="1033" Version="{version}" Manufacturer="VELTIS"
           UpgradeCode="{UPGRADE_CODE}">
    <Package InstallerVersion="500" Compressed="yes" InstallScope="perMachine"
             Description="Skyvane, the tool for the VELTIS attitude and heading sensor board"
             Comments="Free software under the GNU GPL, version 3 or later (LICENSE.txt); Qt and the MinGW runtime under their own licences (licenses\\)"/>
    <Media Id="1" Cabinet="skyvane.cab" EmbedCab="yes"/>
    <MajorUpgrade DowngradeErrorMessage="A newer Skyvane is already installed."/>
    <Icon Id="skyvane.ico" SourceFile={quoteattr(icon)}/>
    <Property Id="ARPPRODUCTICON" Value="skyvane.ico"/>
    <Property Id="ARPCOMMENTS" Value="GPL-3.0-or-later: see LICENSE.txt in the program's folder"/>
    <Property Id="ARPNOMODIFY" Value="1"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFiles64Folder">
        <Directory Id="INSTALLDIR" Name="Skyvane">
{files}
        </Directory>
      </Directory>
      <Directory Id="ProgramMenuFolder">
        <Component Id="StartMenu" Guid="*" Win64="yes">
          <Shortcut Id="SkyvaneShortcut" Name="Skyvane" Description="Attitude and heading sensor board"
                    Target="[INSTALLDIR]skyvane.exe" WorkingDirectory="INSTALLDIR" Icon="skyvane.ico"/>
          <Shortcut Id="LicenceShortcut" Name="Skyvane licence"
                    Target="[INSTALLDIR]LICENSE.txt" WorkingDirectory="INSTALLDIR"/>
          <RegistryValue Root="HKCU" Key="Software\\VELTIS\\Skyvane" Name="StartMenu" Type="integer"
                         Value="1" KeyPath="yes"/>
        </Component>
      </Directory>
    </Directory>
    <Feature Id="Main" Title="Skyvane" Level="1">
{refs}
      <ComponentRef Id="StartMenu"/>
    </Feature>
  </Product>
</Wix>
"""
    with open(output, "w", encoding="utf-8") as out:
        out.write(text)


if __name__ == "__main__":
    main()
