<?xml version="1.0" encoding="utf-8"?>
<!--
  Renders a sorvik report as one readable HTML page:

      xsltproc -o PC1.html docs/report.xsl "10.1.2.3;PC1;bob.xml"

  The page needs nothing else: its style and a small sorting script are inline. It opens with
  the machine (maker, model, serial number, UUID, BIOS and the Windows build) where the report
  names it (3.1.0 and later); texts that firmware leaves at a vendor's placeholder are marked as
  such, so that nobody takes "To be filled by O.E.M." for a serial number. The software
  table comes sorted by type (applications, updates, components) and then by name; a click on
  a column heading sorts by that column, a second click reverses the order.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" encoding="utf-8" indent="yes"
              doctype-system="about:legacy-compat"/>

  <xsl:template match="/">
    <xsl:apply-templates select="sorvik"/>
  </xsl:template>

  <xsl:template match="sorvik">
    <xsl:variable name="title">
      <xsl:text>Inventory of </xsl:text>
      <xsl:call-template name="or-unknown">
        <xsl:with-param name="value" select="computer/computerName"/>
      </xsl:call-template>
    </xsl:variable>
    <html lang="en">
      <head>
        <title><xsl:value-of select="$title"/></title>
        <style>
          body { font: 14px/1.4 sans-serif; margin: 24px; color: #222; }
          h1 { font-size: 22px; margin: 0 0 4px; }
          h2 { font-size: 17px; margin: 28px 0 8px; border-bottom: 1px solid #bbb; }
          p.stamp { color: #666; margin: 0 0 16px; }
          table { border-collapse: collapse; margin-bottom: 8px; }
          th, td { text-align: left; vertical-align: top; padding: 3px 10px 3px 0; }
          table.grid th, table.grid td { border-bottom: 1px solid #e2e2e2; padding: 4px 8px; }
          table.grid thead th { background: #f0f0f0; border-bottom: 1px solid #999; }
          table.facts th { width: 160px; font-weight: normal; color: #555; }
          td.number, th.number { text-align: right; }
          td ul { margin: 0; padding-left: 18px; }
          .none { color: #999; font-style: italic; }
          tr.application td.type { color: #1a5fb4; }
          tr.update td.type { color: #a05a00; }
          tr.component td.type { color: #3a7d2c; }
          table.grid thead th, td.date, td.number { white-space: nowrap; }
          th.sortable { cursor: pointer; user-select: none; }
          th.sortable::after { content: " \2195"; color: #999; }
          table.stats td { font-weight: bold; }
          #machine-block { background: #f6f8fa; border: 1px solid #d0d7de; border-radius: 6px;
                           padding: 4px 16px 8px; margin: 8px 0 16px; max-width: 760px; }
          #machine-block h2 { border: none; margin-top: 8px; }
          #machine td { font-family: monospace; font-size: 14px; }
          #machine td .none { font-family: sans-serif; }
          .placeholder { color: #a05a00; font: italic 12px sans-serif; margin-left: 6px; }
        </style>
      </head>
      <body>
        <h1><xsl:value-of select="$title"/></h1>
        <p class="stamp">
          <xsl:text>Report version </xsl:text>
          <xsl:value-of select="@version"/>
          <xsl:text>, made </xsl:text>
          <xsl:value-of select="@creationDateTime"/>
          <xsl:text> (local time of the computer)</xsl:text>
        </p>
        <xsl:call-template name="machine"/>
        <xsl:apply-templates select="computer"/>
        <xsl:choose>
          <xsl:when test="device"><xsl:apply-templates select="device"/></xsl:when>
          <xsl:otherwise>
            <h2>Hardware</h2>
            <p class="none">Not collected: the report was made with /software only.</p>
          </xsl:otherwise>
        </xsl:choose>
        <xsl:choose>
          <xsl:when test="software">
            <xsl:apply-templates select="software"/>
            <xsl:apply-templates select="statistics"/>
          </xsl:when>
          <xsl:otherwise>
            <h2>Software</h2>
            <p class="none">Not collected: the report was made with /device only.</p>
          </xsl:otherwise>
        </xsl:choose>
        <script>
          // Click a heading of a sortable table to sort its rows by that column.
          document.querySelectorAll("table.sortable").forEach(function (table) {
            table.querySelectorAll("th.sortable").forEach(function (heading, column) {
              heading.addEventListener("click", function () {
                var body = table.tBodies[0];
                var rows = Array.prototype.slice.call(body.rows);
                var numeric = heading.classList.contains("number");
                var order = heading.getAttribute("data-order") === "up" ? -1 : 1;
                table.querySelectorAll("th.sortable").forEach(function (other) {
                  other.removeAttribute("data-order");
                });
                heading.setAttribute("data-order", order === 1 ? "up" : "down");
                function key(row) {
                  var cell = row.cells[column];
                  var text = cell.getAttribute("data-key") || cell.textContent;
                  return numeric ? (parseFloat(text) || 0) : text.toLowerCase();
                }
                rows.sort(function (a, b) {
                  var x = key(a), y = key(b);
                  if (x &lt; y) return -order;
                  if (x &gt; y) return order;
                  return Number(a.getAttribute("data-rank")) - Number(b.getAttribute("data-rank"));
                });
                rows.forEach(function (row) { body.appendChild(row); });
              });
            });
          });
        </script>
      </body>
    </html>
  </xsl:template>

  <!-- The machine: what its firmware says, and the Windows build. -->
  <xsl:template name="machine">
    <xsl:variable name="system" select="computer/system"/>
    <div id="machine-block">
      <h2>Machine</h2>
      <xsl:choose>
        <xsl:when test="$system">
          <table class="facts" id="machine">
            <xsl:call-template name="firmware-fact">
              <xsl:with-param name="label">Manufacturer</xsl:with-param>
              <xsl:with-param name="value" select="$system/manufacturer"/>
            </xsl:call-template>
            <xsl:call-template name="firmware-fact">
              <xsl:with-param name="label">Model</xsl:with-param>
              <xsl:with-param name="value" select="$system/model"/>
            </xsl:call-template>
            <xsl:call-template name="firmware-fact">
              <xsl:with-param name="label">Serial number</xsl:with-param>
              <xsl:with-param name="value" select="$system/serialNumber"/>
            </xsl:call-template>
            <xsl:call-template name="firmware-fact">
              <xsl:with-param name="label">UUID</xsl:with-param>
              <xsl:with-param name="value" select="$system/uuid"/>
            </xsl:call-template>
            <xsl:call-template name="firmware-fact">
              <xsl:with-param name="label">Board serial number</xsl:with-param>
              <xsl:with-param name="value" select="$system/boardSerialNumber"/>
            </xsl:call-template>
            <xsl:call-template name="firmware-fact">
              <xsl:with-param name="label">Chassis</xsl:with-param>
              <xsl:with-param name="value" select="$system/chassisType"/>
            </xsl:call-template>
            <xsl:call-template name="firmware-fact">
              <xsl:with-param name="label">Asset tag</xsl:with-param>
              <xsl:with-param name="value" select="$system/assetTag"/>
            </xsl:call-template>
            <xsl:call-template name="firmware-fact">
              <xsl:with-param name="label">BIOS</xsl:with-param>
              <xsl:with-param name="value">
                <xsl:call-template name="joined">
                  <xsl:with-param name="first" select="$system/biosVendor"/>
                  <xsl:with-param name="second" select="$system/biosVersion"/>
                  <xsl:with-param name="separator" select="' '"/>
                </xsl:call-template>
                <xsl:if test="normalize-space($system/biosDate) != ''">
                  <xsl:if test="normalize-space(concat($system/biosVendor, $system/biosVersion))
                                != ''">
                    <xsl:text>, </xsl:text>
                  </xsl:if>
                  <xsl:value-of select="$system/biosDate"/>
                </xsl:if>
              </xsl:with-param>
            </xsl:call-template>
            <tr>
              <th>Windows build</th>
              <td><xsl:call-template name="build"/></td>
            </tr>
          </table>
        </xsl:when>
        <xsl:otherwise>
          <p class="none">Not in this report: reports before version 3.1 do not name the machine
            or the Windows build.</p>
        </xsl:otherwise>
      </xsl:choose>
    </div>
  </xsl:template>

  <!-- "10.0.19045.3803, 22H2, x64": version, build and update revision, display version,
       architecture; each part only where the report has it. -->
  <xsl:template name="build">
    <xsl:variable name="os" select="computer/os"/>
    <xsl:variable name="version" select="$os/getVersionEx"/>
    <xsl:value-of select="concat($version/majorVersion, '.', $version/minorVersion)"/>
    <xsl:if test="string($version/buildNumber) != ''">
      <xsl:value-of select="concat('.', $version/buildNumber)"/>
    </xsl:if>
    <xsl:if test="string($os/updateRevision) != ''">
      <xsl:value-of select="concat('.', $os/updateRevision)"/>
    </xsl:if>
    <xsl:if test="normalize-space($os/displayVersion) != ''">
      <xsl:value-of select="concat(', ', $os/displayVersion)"/>
    </xsl:if>
    <xsl:if test="normalize-space($os/architecture) != ''">
      <xsl:value-of select="concat(', ', $os/architecture)"/>
    </xsl:if>
  </xsl:template>

  <!-- Computer and operating system -->
  <xsl:template match="computer">
    <h2>Computer</h2>
    <table class="facts" id="computer">
      <xsl:call-template name="fact">
        <xsl:with-param name="label">Computer name</xsl:with-param>
        <xsl:with-param name="value" select="computerName"/>
      </xsl:call-template>
      <xsl:call-template name="fact">
        <xsl:with-param name="label">User</xsl:with-param>
        <xsl:with-param name="value" select="userName"/>
      </xsl:call-template>
      <xsl:call-template name="fact">
        <xsl:with-param name="label">IP address</xsl:with-param>
        <xsl:with-param name="value" select="ip"/>
      </xsl:call-template>
      <xsl:call-template name="fact">
        <xsl:with-param name="label">Operating system</xsl:with-param>
        <xsl:with-param name="value" select="os/fullName"/>
      </xsl:call-template>
      <tr>
        <th>Version</th>
        <td>
          <xsl:value-of select="os/getVersionEx/majorVersion"/>
          <xsl:text>.</xsl:text>
          <xsl:value-of select="os/getVersionEx/minorVersion"/>
          <xsl:text>, platform </xsl:text>
          <xsl:value-of select="os/getVersionEx/platformId"/>
          <xsl:if test="normalize-space(os/getVersionEx/csdVersion) != ''">
            <xsl:text>, </xsl:text>
            <xsl:value-of select="os/getVersionEx/csdVersion"/>
          </xsl:if>
        </td>
      </tr>
      <xsl:call-template name="fact">
        <xsl:with-param name="label">Product ID</xsl:with-param>
        <xsl:with-param name="value" select="os/productId"/>
      </xsl:call-template>
    </table>
  </xsl:template>

  <!-- Hardware -->
  <xsl:template match="device">
    <h2>Hardware</h2>
    <table class="grid" id="hardware">
      <thead><tr><th>Device</th><th>Found</th></tr></thead>
      <tbody>
        <xsl:call-template name="device-row">
          <xsl:with-param name="label">Processor</xsl:with-param>
          <xsl:with-param name="value" select="cpu"/>
        </xsl:call-template>
        <tr>
          <th>Memory</th>
          <td>
            <xsl:choose>
              <xsl:when test="string(ramMb) != ''">
                <xsl:value-of select="ramMb"/><xsl:text> MB</xsl:text>
              </xsl:when>
              <xsl:otherwise><span class="none">unknown</span></xsl:otherwise>
            </xsl:choose>
          </td>
        </tr>
        <xsl:call-template name="device-row">
          <xsl:with-param name="label">Monitor</xsl:with-param>
          <xsl:with-param name="value" select="monitor"/>
        </xsl:call-template>
        <xsl:call-template name="device-row">
          <xsl:with-param name="label">Display adapter</xsl:with-param>
          <xsl:with-param name="value" select="video"/>
        </xsl:call-template>
        <xsl:call-template name="device-row">
          <xsl:with-param name="label">Keyboard</xsl:with-param>
          <xsl:with-param name="value" select="keyboard"/>
        </xsl:call-template>
        <xsl:call-template name="device-row">
          <xsl:with-param name="label">Mouse</xsl:with-param>
          <xsl:with-param name="value" select="mouse"/>
        </xsl:call-template>
        <xsl:call-template name="device-row">
          <xsl:with-param name="label">CD/DVD drive</xsl:with-param>
          <xsl:with-param name="value" select="cdrom"/>
        </xsl:call-template>
        <xsl:call-template name="device-row">
          <xsl:with-param name="label">Sound and media</xsl:with-param>
          <xsl:with-param name="value" select="media"/>
        </xsl:call-template>
        <xsl:call-template name="device-row">
          <xsl:with-param name="label">Network adapter</xsl:with-param>
          <xsl:with-param name="value" select="network"/>
        </xsl:call-template>
        <xsl:call-template name="device-row">
          <xsl:with-param name="label">Modem</xsl:with-param>
          <xsl:with-param name="value" select="modem"/>
        </xsl:call-template>
        <xsl:call-template name="device-row">
          <xsl:with-param name="label">Default printer</xsl:with-param>
          <xsl:with-param name="value" select="defaultPrinter"/>
        </xsl:call-template>
        <xsl:call-template name="device-row">
          <xsl:with-param name="label">SCSI adapter</xsl:with-param>
          <xsl:with-param name="value" select="scsi"/>
        </xsl:call-template>
        <xsl:call-template name="device-row">
          <xsl:with-param name="label">USB</xsl:with-param>
          <xsl:with-param name="value" select="usb"/>
        </xsl:call-template>
      </tbody>
    </table>
    <xsl:apply-templates select="disk"/>
  </xsl:template>

  <xsl:template match="disk">
    <h3>Drives</h3>
    <table class="grid" id="drives">
      <thead>
        <tr>
          <th>Drive</th><th>Type</th>
          <th class="number">Size (MB)</th><th class="number">Free (MB)</th>
          <th class="number">Free</th>
        </tr>
      </thead>
      <tbody>
        <xsl:if test="not(drive)">
          <tr class="empty"><td colspan="5"><span class="none">no drives found</span></td></tr>
        </xsl:if>
        <xsl:for-each select="drive">
          <tr>
            <td><xsl:value-of select="@letter"/>:</td>
            <td>
              <xsl:choose>
                <xsl:when test="@type = 'fixed'">hard disk</xsl:when>
                <xsl:when test="@type = 'removable'">removable</xsl:when>
                <xsl:when test="@type = 'cd'">CD/DVD</xsl:when>
                <xsl:otherwise><xsl:value-of select="@type"/></xsl:otherwise>
              </xsl:choose>
            </td>
            <td class="number"><xsl:value-of select="@totalSpaceMb"/></td>
            <td class="number"><xsl:value-of select="@availableSpaceMb"/></td>
            <td class="number">
              <xsl:call-template name="percent">
                <xsl:with-param name="part" select="@availableSpaceMb"/>
                <xsl:with-param name="whole" select="@totalSpaceMb"/>
              </xsl:call-template>
            </td>
          </tr>
        </xsl:for-each>
      </tbody>
      <tfoot>
        <tr>
          <th colspan="2">All hard disks</th>
          <th class="number"><xsl:value-of select="@totalSpaceMb"/></th>
          <th class="number"><xsl:value-of select="@availableSpaceMb"/></th>
          <th class="number">
            <xsl:call-template name="percent">
              <xsl:with-param name="part" select="@availableSpaceMb"/>
              <xsl:with-param name="whole" select="@totalSpaceMb"/>
            </xsl:call-template>
          </th>
        </tr>
      </tfoot>
    </table>
  </xsl:template>

  <!-- Software: pre-sorted by type, then name; the inline script re-sorts on a click. -->
  <xsl:template match="software">
    <h2>Software</h2>
    <xsl:choose>
      <xsl:when test="installed">
        <table class="grid sortable" id="software">
          <thead>
            <tr>
              <th class="sortable">Type</th>
              <th class="sortable">Name</th>
              <th class="sortable">Version</th>
              <th class="sortable">Publisher</th>
              <th class="sortable">Installed</th>
              <th class="sortable number">Size (KB)</th>
              <th class="sortable">Location</th>
              <th class="sortable">Registered to</th>
              <th class="sortable">Product ID</th>
            </tr>
          </thead>
          <tbody>
            <xsl:for-each select="installed">
              <!-- 0 for application, 12 for update, 19 for component. -->
              <xsl:sort data-type="number"
                        select="string-length(substring-before('application update component',
                                                               @type))"/>
              <xsl:sort select="translate(name, 'abcdefghijklmnopqrstuvwxyz',
                                          'ABCDEFGHIJKLMNOPQRSTUVWXYZ')"/>
              <tr class="{@type}" data-rank="{position()}">
                <td class="type">
                  <xsl:attribute name="data-key">
                    <xsl:choose>
                      <xsl:when test="@type = 'application'">1</xsl:when>
                      <xsl:when test="@type = 'update'">2</xsl:when>
                      <xsl:otherwise>3</xsl:otherwise>
                    </xsl:choose>
                  </xsl:attribute>
                  <xsl:value-of select="@type"/>
                </td>
                <td><xsl:value-of select="name"/></td>
                <td><xsl:value-of select="version"/></td>
                <td><xsl:value-of select="publisher"/></td>
                <td class="date"><xsl:call-template name="install-date"/></td>
                <td class="number"><xsl:value-of select="size"/></td>
                <td><xsl:value-of select="location"/></td>
                <td>
                  <xsl:value-of select="registeredOwner"/>
                  <xsl:if test="string(registeredOwner) != '' and string(registeredCompany) != ''">
                    <xsl:text>, </xsl:text>
                  </xsl:if>
                  <xsl:value-of select="registeredCompany"/>
                </td>
                <td><xsl:value-of select="productId"/></td>
              </tr>
            </xsl:for-each>
          </tbody>
        </table>
      </xsl:when>
      <xsl:otherwise>
        <p class="none">No installed software was found.</p>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <xsl:template match="statistics">
    <h3>Statistics</h3>
    <table class="facts stats" id="statistics">
      <tr><th>Products</th><td><xsl:value-of select="total"/></td></tr>
      <tr><th>Applications</th><td><xsl:value-of select="numberOfApplication"/></td></tr>
      <tr><th>Updates</th><td><xsl:value-of select="numberOfUpdate"/></td></tr>
      <tr><th>Components</th><td><xsl:value-of select="numberOfComponent"/></td></tr>
    </table>
  </xsl:template>

  <!-- Helpers -->

  <xsl:template name="fact">
    <xsl:param name="label"/>
    <xsl:param name="value"/>
    <tr>
      <th><xsl:value-of select="$label"/></th>
      <td>
        <xsl:call-template name="or-unknown">
          <xsl:with-param name="value" select="$value"/>
        </xsl:call-template>
      </td>
    </tr>
  </xsl:template>

  <!-- A firmware text; an empty one reads "not given", a vendor's placeholder is marked. -->
  <xsl:template name="firmware-fact">
    <xsl:param name="label"/>
    <xsl:param name="value"/>
    <xsl:variable name="key" select="concat('|', translate(normalize-space($value),
                                     'ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'abcdefghijklmnopqrstuvwxyz'),
                                     '|')"/>
    <tr>
      <th><xsl:value-of select="$label"/></th>
      <td>
        <xsl:choose>
          <xsl:when test="normalize-space($value) = ''">
            <span class="none">not given</span>
          </xsl:when>
          <xsl:otherwise>
            <xsl:value-of select="$value"/>
            <xsl:if test="contains($placeholders, $key)">
              <span class="placeholder">(a placeholder, not a real value)</span>
            </xsl:if>
          </xsl:otherwise>
        </xsl:choose>
      </td>
    </tr>
  </xsl:template>

  <!-- Texts firmware vendors ship for the board maker to replace, in lower case. -->
  <xsl:variable name="placeholders"
                select="concat('|to be filled by o.e.m.|default string|system manufacturer',
                               '|system product name|system version|system serial number',
                               '|chassis serial number|base board serial number|0123456789',
                               '|1234567890|123456789|0|00000000|not specified|not applicable',
                               '|not available|none|n/a|oem|o.e.m.|no asset tag',
                               '|asset-1234567890|asset tag|assettagnum',
                               '|03000200-0400-0500-0006-000700080009|')"/>

  <xsl:template name="joined">
    <xsl:param name="first"/>
    <xsl:param name="second"/>
    <xsl:param name="separator"/>
    <xsl:value-of select="normalize-space($first)"/>
    <xsl:if test="normalize-space($first) != '' and normalize-space($second) != ''">
      <xsl:value-of select="$separator"/>
    </xsl:if>
    <xsl:value-of select="normalize-space($second)"/>
  </xsl:template>

  <xsl:template name="or-unknown">
    <xsl:param name="value"/>
    <xsl:choose>
      <xsl:when test="normalize-space($value) != ''"><xsl:value-of select="$value"/></xsl:when>
      <xsl:otherwise><span class="none">unknown</span></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- A device list: entries joined by ";" become list items; an empty one reads "none found". -->
  <xsl:template name="device-row">
    <xsl:param name="label"/>
    <xsl:param name="value"/>
    <tr>
      <th><xsl:value-of select="$label"/></th>
      <td>
        <xsl:choose>
          <xsl:when test="string($value) = ''"><span class="none">none found</span></xsl:when>
          <xsl:when test="contains($value, ';')">
            <ul>
              <xsl:call-template name="entries">
                <xsl:with-param name="text" select="string($value)"/>
              </xsl:call-template>
            </ul>
          </xsl:when>
          <xsl:otherwise><xsl:value-of select="$value"/></xsl:otherwise>
        </xsl:choose>
      </td>
    </tr>
  </xsl:template>

  <xsl:template name="entries">
    <xsl:param name="text"/>
    <xsl:choose>
      <xsl:when test="contains($text, ';')">
        <li><xsl:value-of select="substring-before($text, ';')"/></li>
        <xsl:call-template name="entries">
          <xsl:with-param name="text" select="substring-after($text, ';')"/>
        </xsl:call-template>
      </xsl:when>
      <xsl:otherwise><li><xsl:value-of select="$text"/></li></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <xsl:template name="percent">
    <xsl:param name="part"/>
    <xsl:param name="whole"/>
    <xsl:if test="number($whole) &gt; 0">
      <xsl:value-of select="format-number($part * 100 div $whole, '0')"/>
      <xsl:text> %</xsl:text>
    </xsl:if>
  </xsl:template>

  <!-- Installers mostly store the date as yyyymmdd: shown as yyyy-mm-dd; anything else as is. -->
  <xsl:template name="install-date">
    <xsl:variable name="date" select="string(installDate)"/>
    <xsl:choose>
      <xsl:when test="string-length($date) = 8 and translate($date, '0123456789', '') = ''">
        <xsl:value-of select="concat(substring($date, 1, 4), '-', substring($date, 5, 2), '-',
                                     substring($date, 7, 2))"/>
      </xsl:when>
      <xsl:otherwise><xsl:value-of select="$date"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>
</xsl:stylesheet>
