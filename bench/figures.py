"""Turns Google Benchmark JSON files into the figures we track, one "name value unit" a line."""
import json
import pathlib
import sys


def medians(folder):
    results = {}
    for path in pathlib.Path(folder).glob("*.json"):
        for run in json.loads(path.read_text())["benchmarks"]:
            if run.get("aggregate_name") == "median":
                results[run["run_name"]] = run
    return results


def main(folder):
    runs = medians(folder)
    figures = []

    def rate(name):
        return runs[name]["bytes_per_second"]

    def time(name):
        return runs[name]["real_time"]

    if "find_absent" in runs:
        figures.append(("find_vs_memmem", rate("find_absent") / rate("memmem_absent"), "ratio"))
        mib_s = rate("between_markers_at_end") / (1 << 20)
        figures.append(("between_markers_64mib", mib_s, "MiB/s"))
        figures.append(("between_markers_64mib_vs_find",
                        rate("between_markers_at_end") / rate("find_absent"), "ratio"))
    if "merge_cookies_items/10000" in runs:
        figures.append(("merge_cookies_scaling",
                        time("merge_cookies_items/100000") / time("merge_cookies_items/10000"),
                        "ratio"))
    if "regex_object_charset_detect" in runs:
        figures.append(("regex_charset_detect",
                        time("regex_object_charset_detect") / time("pcre2_direct_charset_detect"),
                        "ratio"))
    if "regex_object_long_subject" in runs:
        figures.append(("regex_long_subject_1mib",
                        time("regex_object_long_subject") / time("pcre2_direct_long_subject"),
                        "ratio"))
    if "http_request_posts/real_time" in runs:
        figures.append(("http_post_ratio",
                        time("http_request_posts/real_time") / time("curl_posts/real_time"),
                        "ratio"))
        figures.append(("http_get_256mib_ratio",
                        rate("http_request_get_256mib/iterations:4/real_time")
                        / rate("curl_get_256mib/iterations:4/real_time"), "ratio"))
    for name, value, unit in figures:
        print(f"{name} {value:.3f} {unit}")


if __name__ == "__main__":
    main(sys.argv[1])
