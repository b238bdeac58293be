#!/usr/bin/env node
// Reads SBOM documents with consumers of other makers, installed from npm
// into .npm-checkers/ by scripts/setup.sh:
// - a CycloneDX document is validated by @cyclonedx/cyclonedx-library's
//   strict JSON validator for its specVersion (in a 1.6 document the hash
//   algorithm STREEBOG-256, which that schema lacks, is let through);
// - every purl (CycloneDX component purl, SPDX purl reference) must parse
//   in packageurl-js and be written back by it unchanged;
// - every CPE (CycloneDX component cpe, SPDX cpe23Type reference) must
//   parse in @thefaultvault/tfv-cpe-parser as a CPE 2.3 formatted string
//   whose part is a, o, h, * or - and whose product is a value, and match
//   the pattern the CPE 2.3 dictionary schema gives formatted strings.
// usage: npm_check.js FILE...; prints each problem, exits 1 when there is
// any.
'use strict';
const fs = require('fs');
const path = require('path');

const modules = path.join(__dirname, '..', '.npm-checkers', 'node_modules');
const CDX = require(path.join(modules, '@cyclonedx', 'cyclonedx-library'));
const {PackageURL} = require(path.join(modules, 'packageurl-js'));
const {CpeParser} =
    require(path.join(modules, '@thefaultvault', 'tfv-cpe-parser'));

const value = '(((\\?*|\\*?)([a-zA-Z0-9\\-._]|(\\\\[\\\\*?!"#$%&\'()+,/:;<=>@' +
    '\\[\\]\\^`{|}~]))+(\\?*|\\*?))|[*\\-])';
const kFormattedString = new RegExp(
    '^cpe:2\\.3:[aho*\\-](:' + value + '){5}' +
    '(:(([a-zA-Z]{2,3}(-([a-zA-Z]{2}|[0-9]{3}))?)|[*\\-]))(:' + value +
    '){4}$');

const problems = [];

function checkPurl(where, purl) {
  try {
    const written = PackageURL.fromString(purl).toString();
    if (written !== purl) {
      problems.push(`${where}: purl ${purl} is written back as ${written}`);
    }
  } catch (e) {
    problems.push(`${where}: purl ${purl} does not parse: ${e.message}`);
  }
}

function checkCpe(where, cpe) {
  const parsed = new CpeParser().parse(cpe);
  if (!kFormattedString.test(cpe) || parsed === null ||
      !['a', 'o', 'h', '*', '-'].includes(parsed.part) || !parsed.product ||
      parsed.product === '*' || parsed.product === '-') {
    problems.push(`${where}: ${cpe} is not a CPE 2.3 formatted string`);
  }
}

async function checkCycloneDx(file, text) {
  const bom = JSON.parse(text);
  const version = {'1.6': 'v1dot6', '1.7': 'v1dot7'}[bom.specVersion];
  if (!version) {
    problems.push(`${file}: specVersion ${bom.specVersion}`);
    return;
  }
  const validator =
      new CDX.Validation.JsonStrictValidator(CDX.Spec.Version[version]);
  for (const error of (await validator.validate(text)) || []) {
    const streebog = bom.specVersion === '1.6' &&
        /\/hashes\/\d+\/alg$/.test(error.instancePath) &&
        error.instancePath.split('/').slice(1).reduce(
            (at, key) => at[key], bom) === 'STREEBOG-256';
    if (!streebog) {
      problems.push(`${file}: ${error.instancePath} ${error.message}`);
    }
  }
  for (const c of bom.components || []) {
    if (c.purl !== undefined) {
      checkPurl(`${file}: ${c.name}`, c.purl);
    }
    if (c.cpe !== undefined) {
      checkCpe(`${file}: ${c.name}`, c.cpe);
    }
  }
}

function checkSpdx(file, text) {
  for (const p of JSON.parse(text).packages || []) {
    for (const ref of p.externalRefs || []) {
      if (ref.referenceType === 'purl') {
        checkPurl(`${file}: ${p.name}`, ref.referenceLocator);
      } else if (ref.referenceType === 'cpe23Type') {
        checkCpe(`${file}: ${p.name}`, ref.referenceLocator);
      }
    }
  }
}

(async () => {
  for (const file of process.argv.slice(2)) {
    const text = fs.readFileSync(file, 'utf8');
    if (JSON.parse(text).bomFormat === 'CycloneDX') {
      await checkCycloneDx(file, text);
    } else {
      checkSpdx(file, text);
    }
  }
  for (const problem of problems) {
    console.log(problem);
  }
  process.exit(problems.length > 0 ? 1 : 0);
})();
